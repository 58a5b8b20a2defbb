// The engine targets' input and the run of the engine over it.
//
// An input is the source file as it is, except one whose first byte is
// 0xB5: then byte 1 (times 16) says how many of the following bytes end the
// first 262144-byte block, the block being filled up front with packets
// the engine passes over, and the rest of the input begins the second
// block. So packets cut by the
// block boundary are reached without 256 KiB inputs.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/demux_state.h"
#include "fuzz_common.h"

namespace strandex::fuzz {

inline constexpr std::uint8_t kStraddleMarker = 0xB5;

// Writes the source file for the input into processDir(); returns its size.
std::size_t writeSource(const std::uint8_t* data, std::size_t size, const std::string& path);

struct EngineOutcome {
    std::vector<std::string> log;
    std::array<std::int32_t, 2> frames{};
    std::array<std::int32_t, 16> videoIds{};
    std::array<std::int32_t, 16> audioIds{};
    std::array<std::int32_t, 32> subIds{};
    std::array<bool, 2> videoDetails{};
    std::array<bool, 16> audioDetails{};
    std::uint8_t stopFlag = 0;
    bool scrambled = false;
    std::int64_t position = 0;
    std::string error;          // a FileError's text, when the run raised one
    std::vector<Bytes> outputs;  // write mode: one per slot box, in box order
};

// The 34 boxes that stand for a slot, and the output file name of each.
std::vector<int> slotBoxIndexes();
std::string outputFileName(int boxIndex);

// Runs demux over the source file with the in-memory front end (count
// frames and details ticked). In write mode every slot box is ticked and
// its output created in outDir; the outputs are closed and read back.
// While the file fits one block, the read buffer past its end is poisoned,
// so AddressSanitizer stops any read beyond the bytes read.
EngineOutcome runEngine(const std::string& source, std::size_t fileSize, RunMode mode, bool plain,
                        const std::string& outDir = "");

// Aborts with the difference when two outcomes differ.
void requireSame(const EngineOutcome& a, const EngineOutcome& b, const std::string& what);

// Every filled slot holds a value its slot rule allows; the slots that can
// never be filled are empty.
void requireSlotRules(const EngineOutcome& o);

}  // namespace strandex::fuzz
