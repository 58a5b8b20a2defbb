// A DVD title set's IFO read from the input: the reader straight on the
// bytes, then "Read XPL" on them as the playlist file (with the title set
// mark put in front when the input lacks it, so the IFO path is taken).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/memory_front_end.h"
#include "fuzz_common.h"
#include "playlist/ifo_layout.h"
#include "playlist/ifo_title_set.h"
#include "playlist/read_xpl_command.h"

using namespace strandex;
using namespace strandex::fuzz;

namespace {

void checkRead(std::span<const std::uint8_t> bytes) {
    const IfoTitleSet read = readIfoTitleSet(bytes);
    require(read.audio.size() <= ifo::kAudioMax, "more audio streams than the table holds");
    require(read.subpictures.size() <= ifo::kSubMax, "more subpicture streams than the table holds");
    require(read.title.chapters.size() <= 255, "more chapters than a program count gives");
    require(read.title.read || (read.title.chapters.empty() && !read.title.hasPalette),
            "facts of a program chain that was not read");
    require(read.video.read == (bytes.size() >= ifo::kVideoAttributes + 2), "video attributes read past the end");
    for (const IfoAudio& audio : read.audio)
        require(audio.channels >= 1 && audio.channels <= 8 && audio.language.size() <= 2, "an audio entry out of range");
    for (const IfoChapter& chapter : read.title.chapters) require(chapter.start.ns() >= 0, "a chapter before the start");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 18) return 0;
    checkRead({data, size});

    std::vector<std::uint8_t> ifo(data, data + size);
    if (!isIfoTitleSet(ifo)) ifo.insert(ifo.begin(), kIfoTitleSetMark.begin(), kIfoTitleSetMark.end());
    MemoryFrontEnd ui;
    Session session(ui);
    std::string path = processDir() + "/VTS_01_0.IFO";
    writeFile(path, ifo.data(), ifo.size());
    ui.setText(Edit::eXPLfile, path);
    session.paths.XPLname = "VTS_01_0.IFO";
    session.paths.EVObase = "VTS_01_1";
    try {
        bReadXPLClick(session);
    } catch (const FileError& e) {
        fail(std::string("a file error reading the IFO: ") + e.what());
    }
    require(!session.commandRunning, "the command stays running");
    require(!ui.logLines.empty() && ui.logLines.back() == "Done.", "Read XPL did not end with Done.");
    require(ui.enabled(Button::bReadXPL) && ui.xplVisible, "Read XPL left its button or memo off");
    require(session.playlist.fromIfo && session.playlist.titleFound, "the IFO's facts are not kept");
    for (int i = 0; i < kStreamBoxCount; ++i)
        require(!ui.boxEnabled(boxAt(i)) || ui.ticked(boxAt(i)), "an offered box is not ticked: " + boxName(boxAt(i)));
    auto onlyOnes = [](const auto& ids) {
        return std::all_of(ids.begin(), ids.end(), [](std::int32_t v) { return v == -1 || v == 1; });
    };
    require(onlyOnes(session.table.VideoIds) && onlyOnes(session.table.AudioIds) &&
                onlyOnes(session.table.SubpictureIds),
            "Read XPL ended with an id other than -1 or 1");
    return 0;
}
