#include "support/engine_harness.h"

#include "commands/stream_selection.h"
#include "engine/demux.h"

namespace strandex::test {

namespace {
OutputFile& outputOf(StreamTable& t, Box box) {
    int i = boxIndex(box);
    if (i < 8) return t.VideoOut.at(static_cast<std::size_t>(i));
    if (i < 24) return t.AudioOut.at(static_cast<std::size_t>(i - 8));
    return t.SubpictureOut.at(static_cast<std::size_t>(i - 24));
}
}  // namespace

std::vector<std::string> Harness::run(const Bytes& file, RunMode mode) {
    std::size_t before = ui.logLines.size();
    session.table.SourceStream.open(dir.write("source.evo", file));
    demux(session, mode);
    session.table.SourceStream.close();
    return std::vector<std::string>(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end());
}

std::string Harness::createOutput(Box box) {
    ui.setBoxEnabled(box, true);  // Demux makes files for enabled boxes only
    std::string path = dir.file(boxName(box) + ".out");
    outputOf(session.table, box).create(path);
    return path;
}

Bytes Harness::output(Box box) {
    OutputFile& out = outputOf(session.table, box);
    std::string path = out.path();
    out.close();
    return readFile(path);
}

}  // namespace strandex::test
