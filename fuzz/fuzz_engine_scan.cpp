// The engine in scan mode ("Read EVO" with count frames and details on),
// once with the fast block walk and once with the plain byte step: the two
// must log the same lines and leave the same tables.
#include <cstddef>
#include <cstdint>

#include "engine/demux.h"
#include "engine_input.h"

using namespace strandex;
using namespace strandex::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20) return 0;
    std::string source = processDir() + "/scan.evo";
    std::size_t fileSize = writeSource(data, size, source);
    EngineOutcome fast = runEngine(source, fileSize, RunMode::Scan, false);
    EngineOutcome plain = runEngine(source, fileSize, RunMode::Scan, true);
    requireSame(fast, plain, "scan mode, fast walk against plain byte step");
    requireSlotRules(fast);
    require(fast.error.empty(), "the run raised: " + fast.error);
    require(fast.position == static_cast<std::int64_t>(fileSize), "the run stopped before the end of the file");
    require(fast.stopFlag == 0, "StopFlag set without Cancel");
    return 0;
}
