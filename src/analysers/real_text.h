// Real numbers in log lines: general format, up to 15 significant digits,
// no trailing zeros (24000/1001 gives 23.976023976024, 24000/1000 gives 24).
#pragma once
#include <string>

namespace strandex {

std::string realText(double value);

}  // namespace strandex
