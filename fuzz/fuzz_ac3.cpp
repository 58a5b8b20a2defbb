// AC3info over a Dolby Digital Plus slot's first chunk. Byte 0: the slot
// (low 4 bits); byte 1: where the cut check cuts; the rest: the chunk.
#include "analyser_input.h"
#include "analysers/analysers.h"
#include "engine/stream_table.h"

using namespace strandex;
using namespace strandex::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2 || size > 1 << 16) return 0;
    int slot = data[0] & 0x0F;
    // The tables as a run sets them up; the table is made once.
    static StreamTable* table = [] {
        auto* t = new StreamTable;
        resetForRun(*t);
        return t;
    }();
    Ac3Tables tables{table->AC3SampleRates, table->AC3BitRates};
    AnalyserRun call = [&](const std::uint8_t* chunk, std::size_t n, LineSink& out) {
        AC3info(chunk, n, slot, tables, out);
    };
    checkAnalyser(call, data + 2, size - 2, data[1] * 7u);
    // A report opens with the slot's line.
    std::vector<std::string> lines = analyserLines(call, data + 2, size - 2);
    std::string opening = "   Stream " + std::to_string(slot) + " is Dolby Digital";
    require(lines.empty() || lines[0].compare(0, opening.size(), opening) == 0,
            "a report that does not open with its slot's line:\n" + joined(lines));
    return 0;
}
