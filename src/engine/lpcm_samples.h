// LPCM sample data as the disc stores it, turned into WAV order. 16-bit
// samples are big-endian; 20- and 24-bit samples are stored in blocks of
// four samples (two for mono) in stream order: the high 16 bits of each,
// big-endian, then the low bits of each packed (a byte a sample for 24
// bits, a nibble for 20 bits, the first sample in the high nibble). WAV
// takes them little-endian, 20-bit samples in the high bits of 24.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/stream_facts.h"

namespace strandex {

// The bytes of one sample in the WAV's data: 2 for 16 bits, else 3.
constexpr int wavSampleBytes(int bitsPerSample) { return bitsPerSample == 16 ? 2 : 3; }

// Samples a block holds on the disc: four, two for mono; one for 16 bits.
constexpr int lpcmBlockSamples(const LpcmFormat& f) {
    if (f.bitsPerSample == 16) return 1;
    return f.channels == 1 ? 2 : 4;
}

// The samples converted together: whole blocks and whole sample frames.
// A stream that ends inside one loses it, as a decoder drops it.
constexpr int lpcmUnitSamples(const LpcmFormat& f) {
    int block = f.bitsPerSample == 16 ? 1 : 4;
    int n = block;
    while (n % f.channels != 0) n += block;
    return n;
}

constexpr std::size_t lpcmUnitBytes(const LpcmFormat& f) {
    return static_cast<std::size_t>(lpcmUnitSamples(f)) * static_cast<std::size_t>(f.bitsPerSample) / 8;
}

// Converts a stream's payload piece by piece: a unit cut between two
// packets is carried into the next call.
class LpcmToWav {
public:
    // Seven channels of 24 bits: 28 samples, the longest unit.
    static constexpr std::size_t kMaxUnitBytes = 28 * 3;

    explicit LpcmToWav(const LpcmFormat& format);

    // Appends the WAV bytes of every whole unit now complete to `out`.
    void convert(const std::uint8_t* data, std::size_t n, std::vector<std::uint8_t>& out);
    std::size_t carried() const { return carried_; }

private:
    void convertUnits(const std::uint8_t* data, std::size_t units, std::vector<std::uint8_t>& out) const;

    LpcmFormat format_;
    std::size_t unitBytes_;
    std::array<std::uint8_t, kMaxUnitBytes> carry_{};
    std::size_t carried_ = 0;
};

}  // namespace strandex
