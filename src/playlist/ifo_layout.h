// Where a title set's IFO keeps what the reader takes from it: byte
// offsets in the title set's information table and in a program chain.
#pragma once
#include <cstddef>

namespace strandex::ifo {

inline constexpr std::size_t kSectorSize = 2048;

// The title set information table (VTSI_MAT).
inline constexpr std::size_t kPgciSector = 0xCC;        // 4 bytes: sector of the VTS_PGCI
inline constexpr std::size_t kVideoAttributes = 0x200;  // 2 bytes
inline constexpr std::size_t kAudioCount = 0x202;       // 2 bytes
inline constexpr std::size_t kAudioAttributes = 0x204;  // 8 bytes a stream
inline constexpr std::size_t kAudioEntry = 8;
inline constexpr unsigned kAudioMax = 8;
inline constexpr std::size_t kSubCount = 0x254;         // 2 bytes
inline constexpr std::size_t kSubAttributes = 0x256;    // 6 bytes a stream
inline constexpr std::size_t kSubEntry = 6;
inline constexpr unsigned kSubMax = 32;

// The VTS_PGCI: a 2-byte count and 6 more bytes, then 8 bytes a program
// chain, the last 4 of them its offset from the table's start.
inline constexpr std::size_t kPgciCount = 0;
inline constexpr std::size_t kPgciFirstEntry = 8;
inline constexpr std::size_t kPgciEntryOffset = 4;

// A program chain.
inline constexpr std::size_t kPgcPrograms = 0x02;      // 1 byte
inline constexpr std::size_t kPgcCells = 0x03;         // 1 byte
inline constexpr std::size_t kPgcPlaybackTime = 0x04;  // 4 BCD bytes
inline constexpr std::size_t kPgcPalette = 0xA4;       // 16 entries of 4 bytes: 0, Y, Cr, Cb
inline constexpr std::size_t kPaletteEntries = 16;
inline constexpr std::size_t kPgcProgramMap = 0xE6;    // 2 bytes: offset, from the chain's start
inline constexpr std::size_t kPgcCellPlayback = 0xE8;  // 2 bytes: offset, from the chain's start
inline constexpr std::size_t kCellEntry = 24;
inline constexpr std::size_t kCellPlaybackTime = 4;    // 4 BCD bytes within a cell's entry

}  // namespace strandex::ifo
