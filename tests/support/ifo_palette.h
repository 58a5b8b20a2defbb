// Test-only: the colour table of PGC 1 of a DVD title set's IFO, for the
// checks that need a real one (the product's IFO reader is elsewhere).
#pragma once
#include <array>
#include <cstdint>
#include <string>

namespace strandex::test {

// The 16 entries 0x00YYCrCb; throws std::runtime_error when the file is
// too short for them.
std::array<std::uint32_t, 16> ifoPalette(const std::string& ifoPath);

}  // namespace strandex::test
