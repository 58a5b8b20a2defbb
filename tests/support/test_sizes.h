// The size the tests lay their files out by, written out here rather than
// taken from the engine, so that a changed interval shows as a failing
// test. (The engine's read block is its own kBlockSize.)
#pragma once
#include <cstddef>

namespace strandex::test {

// Where events run: the progress line is shown, Cancel and changed ticks
// are read.
inline constexpr std::size_t kFourMiB = 4194304;

}  // namespace strandex::test
