#include "support/engine_outcome.h"

#include <algorithm>

#include "engine/demux.h"
#include "engine/file_io.h"
#include "support/byte_difference.h"
#include "support/facts_difference.h"
#include "support/slot_outputs.h"

namespace strandex::test {

namespace {

// The difference texts are built by appending: GCC 12 warns falsely
// (-Wrestrict) on chains of std::string operator+ at -O3.
template <typename T, std::size_t N>
std::string valuesText(const std::array<T, N>& values) {
    std::string text;
    for (T v : values) text.append(" ").append(std::to_string(v));
    return text;
}

std::string quotedLine(const std::vector<std::string>& lines, std::size_t i) {
    if (i >= lines.size()) return "(none)";
    std::string text = "\"";
    return text.append(lines[i]).append("\"");
}

std::string linesDifference(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    std::size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    std::string text = std::to_string(a.size());
    text.append(" and ").append(std::to_string(b.size())).append(" lines, line ").append(std::to_string(i));
    return text.append(" is ").append(quotedLine(a, i)).append(" / ").append(quotedLine(b, i));
}

template <typename T, std::size_t N>
void compare(std::string& d, const char* what, const std::array<T, N>& a, const std::array<T, N>& b) {
    if (a != b) d.append(what).append(" differ:").append(valuesText(a)).append(" /").append(valuesText(b)).append("\n");
}

}  // namespace

Outcome runDemux(MemoryFrontEnd& ui, Session& session, const std::string& source, RunMode mode,
                 const std::string& outDir) {
    StreamTable& t = session.table;
    std::vector<Box> boxes = outDir.empty() ? std::vector<Box>{} : slotBoxes();
    for (Box box : boxes) {
        ui.setTicked(box, true);
        ui.setBoxEnabled(box, true);  // Demux makes files for enabled boxes only
        outputOf(t, box).create(outDir + "/" + outputFileName(box));
    }
    std::size_t linesBefore = ui.logLines.size();
    Outcome o;
    t.SourceStream.open(source);
    try {
        demux(session, mode);
    } catch (const FileError& e) {
        o.error = e.what();
    }
    o.position = t.SourceStream.position();
    t.SourceStream.close();
    o.log.assign(ui.logLines.begin() + static_cast<long>(linesBefore), ui.logLines.end());
    o.frames = t.FrameCount;
    o.frameWindows = t.FrameWindow;
    o.videoIds = t.VideoIds;
    o.audioIds = t.AudioIds;
    o.subIds = t.SubpictureIds;
    o.videoDetails = t.VideoDetailsLogged;
    o.audioDetails = t.AudioDetailsLogged;
    o.stopFlag = t.StopFlag;
    o.scrambled = t.Scrambled;
    o.facts = session.facts;
    for (Box box : boxes) {
        OutputFile& out = outputOf(t, box);
        std::string path = out.path();
        out.close();
        o.outputs.push_back(readFile(path));
    }
    return o;
}

std::string outcomeDifference(const Outcome& a, const Outcome& b) {
    std::string d;
    if (a.log != b.log) d.append("the logs differ: ").append(linesDifference(a.log, b.log)).append("\n");
    compare(d, "frame counts", a.frames, b.frames);
    compare(d, "frame windows", a.frameWindows, b.frameWindows);
    compare(d, "video ids", a.videoIds, b.videoIds);
    compare(d, "audio ids", a.audioIds, b.audioIds);
    compare(d, "subpicture ids", a.subIds, b.subIds);
    compare(d, "video details flags", a.videoDetails, b.videoDetails);
    compare(d, "audio details flags", a.audioDetails, b.audioDetails);
    if (a.stopFlag != b.stopFlag) d.append("StopFlag differs\n");
    if (a.scrambled != b.scrambled) d.append("the scrambling bits were seen by one run only\n");
    if (a.position != b.position)
        d.append("the runs end at ").append(std::to_string(a.position)).append(" / ")
            .append(std::to_string(b.position)).append("\n");
    d.append(factsDifference(a.facts, b.facts));
    if (a.error != b.error) d.append("errors differ: '").append(a.error).append("' / '").append(b.error).append("'\n");
    if (a.outputs.size() != b.outputs.size()) return d.append("output counts differ\n");
    std::vector<Box> boxes = slotBoxes();
    for (std::size_t k = 0; k < a.outputs.size(); ++k) {
        std::string why = bytesDifference(a.outputs[k], b.outputs[k]);
        if (!why.empty())
            d.append("output ").append(outputFileName(boxes[k])).append(" differs: ").append(why).append("\n");
    }
    return d;
}

SlotOutput slotOutput(const Outcome& o, std::size_t k) {
    if (k < 2) return {OutputKind::Video, int(k), o.videoIds[k]};
    if (k < 18) return {OutputKind::Audio, int(k - 2), o.audioIds[k - 2]};
    return {OutputKind::Subpicture, int(k - 18), o.subIds[k - 18]};
}

}  // namespace strandex::test
