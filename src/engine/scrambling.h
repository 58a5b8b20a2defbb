// Sources that were not decrypted: their packets keep the PES header's
// scrambling-control bits set, and their payload is noise to any decoder.
#pragma once
#include <cstdint>

namespace strandex {

// The first flags byte after PES_packet_length: the marker bits '10', then
// the two PES_scrambling_control bits (00 for a clear packet). Without the
// marker the header is not of the MPEG-2 form and those bits mean nothing.
constexpr bool isScrambledFlags(std::uint8_t flags) {
    return (flags & 0xC0) == 0x80 && (flags & 0x30) != 0;
}

// Stream ids whose packets the engine reads with the MPEG-2 PES header:
// video 0xE0-0xE3, extended 0xFD, MPEG audio 0xC0-0xCF, private stream 1.
// The system header, the stream map, padding and private stream 2 have no
// flags bytes.
constexpr bool hasPesFlags(std::uint8_t id) {
    return (id >= 0xE0 && id <= 0xE3) || id == 0xFD || (id & 0xF0) == 0xC0 || id == 0xBD;
}

}  // namespace strandex
