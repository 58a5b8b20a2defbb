// The engine targets' input and the run of the engine over it.
//
// An input is the source file as it is, except one whose first byte is
// 0xB5: then byte 1 (times 16) says how many of the following bytes end the
// first 262144-byte block, the block being filled up front with packets
// the engine passes over, and the rest of the input begins the second
// block. So packets cut by the
// block boundary are reached without 256 KiB inputs.
#pragma once
#include <cstdint>
#include <string>

#include "fuzz_common.h"
#include "support/engine_outcome.h"

namespace strandex::fuzz {

inline constexpr std::uint8_t kStraddleMarker = 0xB5;

// Writes the source file for the input into processDir(); returns its size.
std::size_t writeSource(const std::uint8_t* data, std::size_t size, const std::string& path);

// What a run leaves behind: the tests' outcome, compared the same way.
using EngineOutcome = test::Outcome;

// Runs demux over the source file with the in-memory front end (count
// frames and details ticked). With an output folder every slot box is
// ticked and its output created there; the outputs are closed and read
// back. While the file fits one block, the read buffer past its end is
// poisoned, so AddressSanitizer stops any read beyond the bytes read.
EngineOutcome runEngine(const std::string& source, std::size_t fileSize, RunMode mode, bool plain,
                        const std::string& outDir = "");

// Aborts with the difference when two outcomes differ.
void requireSame(const EngineOutcome& a, const EngineOutcome& b, const std::string& what);

// Every filled slot holds a value its slot rule allows; the slots that can
// never be filled are empty.
void requireSlotRules(const EngineOutcome& o);

}  // namespace strandex::fuzz
