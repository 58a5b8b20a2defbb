// A reader no one here wrote: ffprobe lists exactly the kept streams of a
// rebuilt DVD VOB. Skipped where ffprobe is not installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "cli/memory_front_end.h"
#include "commands/read_evo.h"
#include "commands/rebuild_command.h"
#include "commands/source_selection.h"
#include "support/pack_builder.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// "codec,id" per stream, as ffprobe reports them, one a line.
std::string probeStreams(const std::string& path) {
    std::string command = "ffprobe -v error -show_entries stream=id,codec_name -of csv=p=0 '" + path + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    std::string text;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) {
        std::string line = chunk;
        while (!line.empty() && (line.back() == '\n' || line.back() == ',')) line.pop_back();
        if (!line.empty()) text += line + "\n";
    }
    ::pclose(pipe);
    return text;
}

}  // namespace

TEST(RebuildFfprobe, ListsExactlyTheKeptStreams) {
    if (std::system("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe is not installed";
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    TempDir dir;
    ui.setText(Edit::eWorkdir, dir.path());
    ui.setText(Edit::eEVOfile, std::string(STRANDEX_FIXTURES) + "/two_ac3.vob");
    EVOadj(session, dialogs);
    bCheckClick(session);
    EXPECT_EQ(probeStreams(std::string(STRANDEX_FIXTURES) + "/two_ac3.vob"),
              "dvd_nav_packet,0x1bf\nmpeg2video,0x1e0\nac3,0x80\nac3,0x81\n");
    ui.setTicked(audioBox(0), false);
    bRebuildClick(session);
    // The navigation packs stay; the first AC-3 track is gone and the second
    // one now carries its number.
    EXPECT_EQ(probeStreams(dir.file("two_ac3.rebuilt.EVO")), "dvd_nav_packet,0x1bf\nmpeg2video,0x1e0\nac3,0x80\n");
}
