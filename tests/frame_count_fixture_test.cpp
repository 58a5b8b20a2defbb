// Every real VOB under tests/fixtures: the frame count that Read EVO logs
// over the whole file is the number of frames ffprobe counts, and the
// number of frame start codes in the video file Demux writes. Each
// fixture's probe text records ffprobe's count as "nb_read_frames=N"
// (written by the fixture scripts through probe-frame-count.sh); where
// ffprobe is installed the count is also taken afresh. All the fixtures
// hold frame pictures, one start code a frame.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/memory_front_end.h"
#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "commands/source_selection.h"
#include "commands/stream_selection.h"
#include "support/fixture_files.h"
#include "support/pack_builder.h"
#include "support/probe_report.h"

using namespace strandex;
using namespace strandex::test;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::vector<std::string> fixtureVobs() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(STRANDEX_FIXTURES))
        if (entry.path().extension() == ".vob") names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The count recorded in the probe text beside the VOB, if there is one.
std::optional<int> recordedFrames(const std::string& vob) {
    std::string probe = fixture(vob.substr(0, vob.size() - 4) + ".probe.txt");
    if (!fs::exists(probe)) return std::nullopt;
    for (const ProbeEntry& entry : readProbeReport(probe)) {
        auto it = entry.find("nb_read_frames");
        if (it != entry.end()) return std::stoi(it->second);
    }
    return std::nullopt;
}

bool ffprobeInstalled() { return std::system("ffprobe -version >/dev/null 2>&1") == 0; }

// ffprobe's count of the frames of the first video stream; -1 when it says
// nothing readable.
int ffprobeFrames(const std::string& path) {
    std::string command =
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
        "-of default=nk=1:nw=1 '" + path + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    char line[64] = {};
    bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    return read ? std::atoi(line) : -1;
}

// The counts of the "N frames (...) count in video stream S." lines, by
// slot; -1 for a slot without one.
std::vector<int> loggedFrames(const Lines& log) {
    std::vector<int> counts(kVideoSlots, -1);
    for (int slot = 0; slot < kVideoSlots; ++slot) {
        std::string tail = " count in video stream " + std::to_string(slot) + ".";
        for (const auto& line : log)
            if (line.size() > tail.size() && line.compare(line.size() - tail.size(), tail.size(), tail) == 0)
                counts[static_cast<std::size_t>(slot)] = std::stoi(line);
    }
    return counts;
}

// The last byte of the codec's frame start code, by the stream id found.
std::uint8_t frameCodeOf(std::int32_t videoId) {
    if (videoId == 0xE2 || videoId == 0xE3) return 0x09;  // H.264 access unit delimiter
    if (videoId == 0x55 || videoId == 0x56) return 0x0D;  // VC-1 frame
    return 0x00;                                          // MPEG-2 picture
}

int startCodesIn(const Bytes& stream, std::uint8_t code) {
    int count = 0;
    for (std::size_t k = 0; k + 4 <= stream.size(); ++k)
        if (stream[k] == 0 && stream[k + 1] == 0 && stream[k + 2] == 1 && stream[k + 3] == code) ++count;
    return count;
}

// A user who chose the fixture with the console's --full settings (frames
// counted, the whole file read), pressed "Read EVO", then "Demux".
struct FullReader {
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    TempDir dir;

    FullReader() {
        ui.setText(Edit::eWorkdir, dir.path());
        ui.setTicked(Box::cbCountFr, true);
        ui.setTicked(Box::cbFastCheck, false);
        ui.setTicked(Box::cbDetails, true);
    }
    Lines readEvo(const std::string& name) {
        ui.setText(Edit::eEVOfile, fixture(name));
        EVOadj(session, dialogs);
        ui.logLines.clear();
        bCheckClick(session);
        return ui.logLines;
    }
    Lines demux() {
        ui.logLines.clear();
        bDemuxClick(session);
        return ui.logLines;
    }
    Bytes videoFile() const {
        std::string prefix = outputPrefix(dir.path(), session.paths.EVObase);
        return readFile(outputName(ui, prefix, videoBox(0)));
    }
};

}  // namespace

TEST(FrameCountFixtures, EveryVobCountsTheFramesFfprobeCountsAndItsDemuxFileHolds) {
    std::vector<std::string> vobs = fixtureVobs();
    // The authored one has picture start codes cut after their 01 byte
    // between two packets (make-authored-fixture.sh).
    ASSERT_GE(vobs.size(), 6u);
    ASSERT_NE(std::find(vobs.begin(), vobs.end(), "authored_mp2.vob"), vobs.end());
    bool live = ffprobeInstalled();
    for (const auto& vob : vobs) {
        SCOPED_TRACE(vob);
        std::optional<int> recorded = recordedFrames(vob);
        ASSERT_TRUE(recorded.has_value()) << "no nb_read_frames line in the probe text";
        if (live) {
            EXPECT_EQ(ffprobeFrames(fixture(vob)), *recorded) << "ffprobe now";
        }

        FullReader r;
        EXPECT_EQ(loggedFrames(r.readEvo(vob)), (std::vector<int>{*recorded, -1})) << "Read EVO";
        ASSERT_TRUE(r.ui.ticked(videoBox(0)));
        EXPECT_EQ(loggedFrames(r.demux()), (std::vector<int>{*recorded, -1})) << "Demux";
        std::uint8_t code = frameCodeOf(r.session.table.VideoIds[0]);
        EXPECT_EQ(startCodesIn(r.videoFile(), code), *recorded) << "start codes in the Demux file";
    }
}
