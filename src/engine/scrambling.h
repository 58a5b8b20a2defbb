// Sources that were not decrypted: their packets keep the PES header's
// scrambling-control bits set, and their payload is noise to any decoder.
#pragma once
#include <cstdint>

namespace strandex {

// The first flags byte after PES_packet_length: the marker bits '10', then
// the two PES_scrambling_control bits (00 for a clear packet). Without the
// marker the header is not of the MPEG-2 form and those bits mean nothing.
inline constexpr std::uint8_t kMarkerBits = 0xC0;
inline constexpr std::uint8_t kMpeg2Marker = 0x80;
inline constexpr std::uint8_t kScramblingControl = 0x30;

constexpr bool isScrambledFlags(std::uint8_t flags) {
    return (flags & kMarkerBits) == kMpeg2Marker && (flags & kScramblingControl) != 0;
}

}  // namespace strandex
