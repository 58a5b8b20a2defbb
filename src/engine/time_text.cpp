#include "engine/time_text.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace strandex {

std::string timeText(double dayFraction) {
    if (!std::isfinite(dayFraction) || dayFraction < 0) dayFraction = 0;
    constexpr std::int64_t kMsPerDay = 86400000;
    double ms = std::floor(dayFraction * static_cast<double>(kMsPerDay) + 0.5);
    std::int64_t rounded = static_cast<std::int64_t>(std::fmod(ms, static_cast<double>(kMsPerDay)));
    std::int64_t seconds = rounded / 1000;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

double secondsNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace strandex
