// Sizes the tests lay their files out by, written out here rather than
// taken from the commands, so that a changed interval shows as a failing
// test. (The engine's read block is its own kBlockSize.)
#pragma once
#include <cstddef>

namespace strandex::test {

inline constexpr std::size_t kMiB = 1048576;
// Where events run: the progress line is shown, Cancel and changed ticks
// are read.
inline constexpr std::size_t kFourMiB = 4 * kMiB;

}  // namespace strandex::test
