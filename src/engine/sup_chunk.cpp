#include "engine/sup_chunk.h"

#include <array>

namespace strandex {

void appendSupChunk(OutputFile& out, std::uint32_t pts, const std::uint8_t* data, std::size_t n) {
    if (pts != 0) {
        std::array<std::uint8_t, kSupHeaderSize> header{'S', 'P',
                                                        static_cast<std::uint8_t>(pts),
                                                        static_cast<std::uint8_t>(pts >> 8),
                                                        static_cast<std::uint8_t>(pts >> 16),
                                                        static_cast<std::uint8_t>(pts >> 24),
                                                        0, 0, 0, 0};
        out.append(header.data(), header.size());
    }
    out.append(data, n);
}

}  // namespace strandex
