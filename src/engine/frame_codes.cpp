// Frame start codes: MPEG-2 picture 00 00 01 00, H.264 access unit delimiter
// 00 00 01 09, VC-1 frame 00 00 01 0D. The window starts as four zero bytes
// at each chunk, so a chunk that begins 01 00 (MPEG-2) counts one.
#include <cstring>

#include "engine/engine_run.h"

namespace strandex {

namespace {
std::uint8_t frameCodeByte(VideoCodec codec) {
    switch (codec) {
        case VideoCodec::H264: return 0x09;
        case VideoCodec::Vc1: return 0x0D;
        default: return 0x00;
    }
}
}  // namespace

std::int32_t countFrameCodesPlain(const std::uint8_t* data, std::size_t length, VideoCodec codec) {
    std::uint32_t wanted = 0x00000100u | frameCodeByte(codec);
    std::uint32_t w = 0;
    std::int32_t count = 0;
    for (std::size_t k = 0; k < length; ++k) {
        w = (w << 8) + data[k];
        if (w == wanted) ++count;
    }
    return count;
}

// The same count, found by searching for the 0x01 of each start code.
std::int32_t countFrameCodes(const std::uint8_t* data, std::size_t length, VideoCodec codec) {
    std::uint8_t code = frameCodeByte(codec);
    std::int32_t count = 0;
    std::size_t p = 0;
    while (p + 1 < length) {
        const void* hit = std::memchr(data + p, 0x01, length - 1 - p);
        if (hit == nullptr) break;
        p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - data);
        if (data[p + 1] == code && (p < 1 || data[p - 1] == 0) && (p < 2 || data[p - 2] == 0))
            ++count;
        ++p;
    }
    return count;
}

}  // namespace strandex
