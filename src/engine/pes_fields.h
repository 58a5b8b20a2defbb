// The fields of an MPEG-2 PES header that the parser reads, for the byte
// step and for the fast path beside it.
#pragma once
#include <cstdint>

namespace strandex {

// The second flags byte: PTS_DTS_flags in bits 7 and 6 (10: a PTS, 11: a
// PTS and a DTS), PES_extension_flag in bit 0.
inline constexpr std::uint8_t kPtsDtsFlags = 0xC0;
inline constexpr std::uint8_t kPtsOnly = 0x80;
inline constexpr std::uint8_t kPtsAndDts = 0xC0;
inline constexpr std::uint8_t kPesExtensionFlag = 0x01;

constexpr bool hasPtsOnly(std::uint8_t flags2) { return (flags2 & kPtsDtsFlags) == kPtsOnly; }
constexpr bool hasPtsAndDts(std::uint8_t flags2) { return (flags2 & kPtsDtsFlags) == kPtsAndDts; }
constexpr bool hasPesExtension(std::uint8_t flags2) { return flags2 & kPesExtensionFlag; }
// The extension follows the header data length at once: no timestamps.
constexpr bool hasExtensionOnly(std::uint8_t flags2) {
    return (flags2 & (kPtsDtsFlags | kPesExtensionFlag)) == kPesExtensionFlag;
}

// A timestamp is five bytes: 33 bits with their marker bits.
inline constexpr int kTimestampBytes = 5;

// One timestamp byte into the accumulator; `left` is the count of its bytes
// still to come after b. Bit 32 is dropped: the low 32 bits are kept.
constexpr std::uint32_t timestampByte(std::uint32_t acc, int left, std::uint8_t b) {
    switch (left) {
        case 4: return std::uint32_t(b & 0x06) << 29;
        case 3: return acc | std::uint32_t(b) << 22;
        case 2: return acc | std::uint32_t(b & 0xFE) << 14;
        case 1: return acc | std::uint32_t(b) << 7;
        default: return acc | std::uint32_t(b & 0xFE) >> 1;
    }
}

// The PES extension flags byte: a 2-byte P-STD buffer field and a PES
// extension-2 field (whose second byte holds the stream id extension)
// follow it when their flags are set.
constexpr bool hasPstdBuffer(std::uint8_t extFlags) { return extFlags & 0x10; }
constexpr bool hasExtension2(std::uint8_t extFlags) { return extFlags & 0x01; }
inline constexpr int kPstdBytes = 2;
inline constexpr int kExtension2Bytes = 2;

}  // namespace strandex
