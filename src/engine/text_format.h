// Small text helpers shared by the log lines.
#pragma once
#include <cstdint>
#include <string>

namespace strandex {

// Eight upper-case hexadecimal digits: 90000 gives 00015F90.
std::string hex8(std::uint32_t value);
// Two decimal digits for slots 0..15: 3 gives 03.
std::string twoDigits(int value);

}  // namespace strandex
