// What a run of the engine leaves behind, and the run itself, for the
// differential tests of the fast paths against the plain byte step: the
// tests and the fuzz targets compare the same outcome the same way.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/memory_front_end.h"
#include "engine/demux_state.h"
#include "engine/session.h"
#include "engine/stream_facts.h"
#include "support/pack_builder.h"
#include "support/payload_slices.h"

namespace strandex::test {

struct Outcome {
    std::vector<std::string> log;
    std::array<std::int32_t, 2> frames{};
    std::array<std::uint32_t, 2> frameWindows{};
    std::array<std::int32_t, 16> videoIds{};
    std::array<std::int32_t, 16> audioIds{};
    std::array<std::int32_t, 32> subIds{};
    std::array<bool, 2> videoDetails{};
    std::array<bool, 16> audioDetails{};
    std::uint8_t stopFlag = 0;
    bool scrambled = false;
    std::int64_t position = 0;   // where the source was left
    std::string error;           // a FileError's text, when the run raised one
    std::vector<Bytes> outputs;  // with an output folder: one per slot box, in box order
    StreamFacts facts;           // the session's, after the run
};

// Opens the source, runs demux in the mode and closes the source. With an
// output folder, every slot box is first ticked and enabled and its output
// created there (in scan mode too, which must write none of them); they are
// closed and read back after the run.
Outcome runDemux(MemoryFrontEnd& ui, Session& session, const std::string& source, RunMode mode,
                 const std::string& outDir = "");

// "" when the two runs left the same outcome (the stream facts field by
// field too); otherwise a line for each part that differs.
std::string outcomeDifference(const Outcome& a, const Outcome& b);

// What the payload account needs to know of output k of a run.
SlotOutput slotOutput(const Outcome& o, std::size_t k);

}  // namespace strandex::test
