#include "engine/stream_probe.h"

#include <array>

namespace strandex {

LpcmFormat lpcmFormat(std::uint8_t formatByte) {
    static constexpr std::array<int, 4> kBits{16, 20, 24, 0};
    static constexpr std::array<int, 4> kRates{48000, 96000, 44100, 32000};
    LpcmFormat f;
    f.bitsPerSample = kBits[formatByte >> 6];
    f.sampleRate = kRates[(formatByte >> 4) & 3];
    f.channels = (formatByte & 7) + 1;
    return f;
}

void probeFirstPayload(SlotFacts& facts, const std::uint8_t* data, std::size_t length) {
    (void)facts;
    (void)data;
    (void)length;
}

}  // namespace strandex
