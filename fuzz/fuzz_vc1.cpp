// VC1info over a VC-1 video slot's first chunk. Bytes 0-3: the PTS of the
// chunk (little-endian); byte 4: where the cut check cuts; the rest: the
// chunk.
#include "analyser_input.h"
#include "analysers/analysers.h"

using namespace strandex;
using namespace strandex::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5 || size > 1 << 16) return 0;
    std::uint32_t pts = le32(data);
    AnalyserRun call = [pts](const std::uint8_t* chunk, std::size_t n, LineSink& out) {
        VC1info(chunk, n, pts, out);
    };
    checkAnalyser(call, data + 5, size - 5, data[4] * 13u);
    return 0;
}
