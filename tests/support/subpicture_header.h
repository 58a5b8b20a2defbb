// The header Demux writes into a subpicture output before the payload of
// each packet that carried a PTS other than 0.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace strandex::test {

inline constexpr std::size_t kSubpictureHeaderSize = 10;

// "SP", the packet's PTS little-endian and four zero bytes.
inline std::vector<std::uint8_t> subpictureHeader(std::uint32_t pts) {
    return {'S', 'P', static_cast<std::uint8_t>(pts), static_cast<std::uint8_t>(pts >> 8),
            static_cast<std::uint8_t>(pts >> 16), static_cast<std::uint8_t>(pts >> 24), 0, 0, 0, 0};
}

}  // namespace strandex::test
