#include "support/engine_harness.h"

#include "engine/demux.h"
#include "support/slot_outputs.h"

namespace strandex::test {

std::vector<std::string> Harness::run(const Bytes& file, RunMode mode) {
    std::size_t before = ui.logLines.size();
    session.table.SourceStream.open(dir.write("source.evo", file));
    demux(session, mode);
    session.table.SourceStream.close();
    return std::vector<std::string>(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end());
}

std::string Harness::createOutput(Box box) {
    ui.setBoxEnabled(box, true);  // Demux makes files for enabled boxes only
    std::string path = dir.file(outputFileName(box));
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
