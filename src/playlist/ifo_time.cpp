#include "playlist/ifo_time.h"

namespace strandex {

namespace {

// One BCD byte as its value; -1 when a digit is above 9.
int bcdValue(std::uint32_t byte) {
    const int tens = static_cast<int>(byte >> 4 & 0x0F);
    const int units = static_cast<int>(byte & 0x0F);
    return tens > 9 || units > 9 ? -1 : tens * 10 + units;
}

}  // namespace

std::optional<IfoTime> ifoTime(std::uint32_t bcd) {
    const int hours = bcdValue(bcd >> 24 & 0xFF);
    const int minutes = bcdValue(bcd >> 16 & 0xFF);
    const int seconds = bcdValue(bcd >> 8 & 0xFF);
    const int frames = bcdValue(bcd & 0x3F);
    const std::uint32_t rate = bcd >> 6 & 0x03;
    if (hours < 0 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59 || frames < 0) return std::nullopt;
    if (rate != 1 && rate != 3) return std::nullopt;
    const int fps = rate == 1 ? 25 : 30;
    if (frames >= fps) return std::nullopt;
    const std::int64_t clockSeconds = (static_cast<std::int64_t>(hours) * 60 + minutes) * 60 + seconds;
    const std::int64_t count = clockSeconds * fps + frames;
    IfoTime time;
    (fps == 25 ? time.frames25 : time.frames30) = count;
    return time;
}

std::int64_t roundedMs(std::int64_t ns) { return (ns + 500'000) / 1'000'000; }

}  // namespace strandex
