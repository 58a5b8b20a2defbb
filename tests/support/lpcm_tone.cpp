#include "support/lpcm_tone.h"

#include <cstdint>

namespace strandex::test {

namespace {

// 8192 x sin(2 pi k / 48), rounded: one period of 1 kHz at 48 kHz. A table
// rather than std::sin keeps the samples equal on every C library.
constexpr std::int16_t kSinePeriod[48] = {
    0,     1069,  2120,  3135,  4096,  4987,  5793,  6499,  7094,  7568,  7913,  8122,
    8192,  8122,  7913,  7568,  7094,  6499,  5793,  4987,  4096,  3135,  2120,  1069,
    0,     -1069, -2120, -3135, -4096, -4987, -5793, -6499, -7094, -7568, -7913, -8122,
    -8192, -8122, -7913, -7568, -7094, -6499, -5793, -4987, -4096, -3135, -2120, -1069};

void putBe16(Bytes& out, std::int16_t v) {
    auto u = static_cast<std::uint16_t>(v);
    out.push_back(static_cast<std::uint8_t>(u >> 8));
    out.push_back(static_cast<std::uint8_t>(u));
}

}  // namespace

Bytes lpcmTone(std::size_t sampleFrames) {
    Bytes out;
    out.reserve(sampleFrames * kToneSampleFrameBytes);
    for (std::size_t n = 0; n < sampleFrames; ++n) {
        putBe16(out, kSinePeriod[n % 48]);        // 1 kHz
        putBe16(out, kSinePeriod[(2 * n) % 48]);  // 2 kHz
    }
    return out;
}

}  // namespace strandex::test
