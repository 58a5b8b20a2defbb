// A subpicture unit in the packs of a VobSub .sub file: 2048-byte program
// stream packs, each a pack header and one private stream 1 packet of the
// unit's substream (0x20 + n), the first with the unit's PTS, the last
// filled up to 2048 bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace strandex {

inline constexpr std::size_t kVobSubPackSize = 2048;

// Appends the packs of one unit to `packs`.
void appendVobSubPacks(std::vector<std::uint8_t>& packs, const std::uint8_t* unit, std::size_t n,
                       std::uint32_t pts, std::uint8_t substream);

}  // namespace strandex
