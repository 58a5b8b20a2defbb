// The engine in write mode ("Demux") with all 34 slot boxes ticked and their
// outputs in a folder of their own. The fast block walk and the plain byte
// step must write the same bytes; the folder must hold the 34 outputs and
// nothing else; write mode logs nothing; the outputs together hold no more
// bytes than the source (every payload byte goes out once at most, and the
// 10-byte "SP" header of a subpicture packet stands in for more header
// bytes than that); each output is a run of whole payloads of the stream
// registered in its slot, in the source's order, as an account read from
// the packet headers apart from the engine says. A scan of the same file
// finds the same streams and counts the same frames.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "engine/demux.h"
#include "engine_input.h"
#include "support/payload_slices.h"
#include "support/slot_outputs.h"

using namespace strandex;
using namespace strandex::fuzz;

namespace {

EngineOutcome writeRun(const std::string& source, std::size_t fileSize, bool plain) {
    std::string dir = freshDir(plain ? "out-plain" : "out-fast");
    EngineOutcome o = runEngine(source, fileSize, RunMode::Write, plain, dir);
    std::vector<std::string> expected;
    for (Box box : test::slotBoxes()) expected.push_back(test::outputFileName(box));
    std::sort(expected.begin(), expected.end());
    std::vector<std::string> found = namesIn(dir);
    require(found == expected, "the output folder holds other files than the 34 outputs:\n" + joined(found));
    removeTree(dir);
    return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20) return 0;
    std::string source = processDir() + "/write.evo";
    std::size_t fileSize = writeSource(data, size, source);
    EngineOutcome fast = writeRun(source, fileSize, false);
    EngineOutcome plain = writeRun(source, fileSize, true);
    requireSame(fast, plain, "write mode, fast walk against plain byte step");
    requireSlotRules(fast);
    require(fast.error.empty(), "the run raised: " + fast.error);
    require(fast.log.empty(), "write mode logged:\n" + joined(fast.log));
    require(fast.position == static_cast<std::int64_t>(fileSize), "the run stopped before the end of the file");

    Bytes file = readFile(source);
    std::size_t written = 0;
    for (const Bytes& out : fast.outputs) written += out.size();
    require(written <= fileSize, "the outputs hold " + std::to_string(written) + " bytes of a " +
                                     std::to_string(fileSize) + "-byte source");
    std::vector<Box> boxes = test::slotBoxes();
    test::PayloadAccount account(file.data(), file.size());
    for (std::size_t k = 0; k < fast.outputs.size(); ++k) {
        std::string why = account.explain(test::slotOutput(fast, k), fast.outputs[k]);
        require(why.empty(), test::outputFileName(boxes[k]) + ": " + why);
    }

    EngineOutcome scan = runEngine(source, fileSize, RunMode::Scan, false);
    require(scan.videoIds == fast.videoIds && scan.audioIds == fast.audioIds && scan.subIds == fast.subIds,
            "scan and write mode register different streams");
    require(scan.frames == fast.frames, "scan and write mode count different frames");
    return 0;
}
