// What a run of the engine leaves behind, to compare the fast block walk
// with the plain byte step.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/controls.h"
#include "engine/demux_state.h"
#include "support/pack_builder.h"

namespace strandex::test {

// The 34 boxes that stand for a slot.
std::vector<Box> slotBoxes();

struct Outcome {
    std::vector<std::string> log;
    std::array<std::int32_t, 2> frames{};
    std::array<std::uint32_t, 2> frameWindows{};
    std::array<std::int32_t, 16> videoIds{};
    std::array<std::int32_t, 16> audioIds{};
    std::array<std::int32_t, 32> subIds{};
    std::uint8_t stopFlag = 0;
    bool scrambled = false;
    std::vector<Bytes> outputs;  // write mode: one per slot box
};

// Scan mode with details and counting on; write mode with every slot box
// ticked and its output created.
Outcome runEngine(const Bytes& file, RunMode mode, bool plain);
void expectSameOutcome(const Outcome& plain, const Outcome& fast);

}  // namespace strandex::test
