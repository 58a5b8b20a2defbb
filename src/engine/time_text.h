// Durations shown as a 24-hour clock time: hours without a leading zero,
// two-digit minutes and seconds. A day fraction is rounded to the nearest
// millisecond, then shown to whole seconds; 24 hours or more wrap around.
#pragma once
#include <string>

namespace strandex {

std::string timeText(double dayFraction);
double secondsNow();  // a monotonic clock, in seconds

inline constexpr double kSecondsPerDay = 86400.0;

}  // namespace strandex
