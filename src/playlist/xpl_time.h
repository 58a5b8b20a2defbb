// The playlist's times: "HH:MM:SS:FF", the last field counted in frames of
// the TitleSet's time base, which is written "60fps" or "50fps".
#pragma once
#include <cstdint>
#include <optional>
#include <string_view>

namespace strandex {

inline constexpr int kDefaultTimeBase = 60;  // a TitleSet without timeBase

// "NNfps": one to three digits, not all 0, then "fps".
std::optional<int> parseTimeBase(std::string_view text);

// A time from the title's start, to the nanosecond and to the nearest
// millisecond.
struct TitleTime {
    std::int64_t ns = 0;
    std::int64_t ms = 0;
};

// "HH:MM:SS:FF": digits only, hours of one to four digits, minutes and
// seconds of two below 60, frames of one to three below the time base.
std::optional<TitleTime> parseTitleTime(std::string_view text, int fps);

}  // namespace strandex
