// A DVD playback time: four BCD bytes, hours, minutes, seconds and frames;
// the two top bits of the frame byte give the frame rate (01: 25 fps,
// 11: 29.97 fps), its six low bits the frames in BCD.
#pragma once
#include <cstdint>
#include <optional>

namespace strandex {

// A sum of playback times kept in frames of each rate, so that a sum of
// 29.97 fps times is turned into nanoseconds once, without a rounding per
// cell.
struct IfoTime {
    std::int64_t frames25 = 0;
    std::int64_t frames30 = 0;  // of 1001/30000 s

    IfoTime& operator+=(const IfoTime& other) {
        frames25 += other.frames25;
        frames30 += other.frames30;
        return *this;
    }
    std::int64_t ns() const { return frames25 * 40'000'000 + frames30 * 100'100'000 / 3; }
};

// The time a player counts: every second of the clock is 25 frames, or 30
// frames of 1001/30000 s at 29.97. Nothing when a digit is above 9, the
// minutes or seconds above 59, the frames not below the rate or the
// frame-rate bits 00 or 10 (reserved).
std::optional<IfoTime> ifoTime(std::uint32_t bcd);

// The time to the nearest millisecond.
std::int64_t roundedMs(std::int64_t ns);

}  // namespace strandex
