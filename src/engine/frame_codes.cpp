// Frame start codes: MPEG-2 picture 00 00 01 00, H.264 access unit delimiter
// 00 00 01 09, VC-1 frame 00 00 01 0D. A stream's chunks are counted as one
// run of bytes: the window carries the last bytes of the slot's earlier
// chunks into the next, so a code cut by a packet or block boundary counts
// once, and the tail of a code (01 00) at a chunk's start counts only when
// the chunk before ended in its zeros.
#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

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

std::int32_t countFrameCodesPlain(const std::uint8_t* data, std::size_t length, VideoCodec codec,
                                  std::uint32_t& window) {
    std::uint32_t wanted = 0x00000100u | frameCodeByte(codec);
    std::int32_t count = 0;
    for (std::size_t k = 0; k < length; ++k) {
        window = (window << 8) + data[k];
        if (window == wanted) ++count;
    }
    return count;
}

// A frame start code ends in 01 and the codec's byte, and the two bytes
// before the 01 are zero. Only places from 2 on are asked, where both lie
// in the chunk.
static inline bool zerosBefore(const std::uint8_t* data, std::size_t p) {
    return data[p - 1] == 0 && data[p - 2] == 0;
}

#if defined(__x86_64__)
// Sixty-four places at a time: the places where a 01 is followed by the
// code. The test is for the pair rather than for the 01 alone, as video
// payload holds a 01 byte in about one block in five but the pair in about
// one in a thousand: a branch taken that rarely is predicted right.
static inline std::int32_t countInMask(const std::uint8_t* data, std::size_t p, std::uint64_t mask) {
    std::int32_t count = 0;
    for (; mask != 0; mask &= mask - 1)
        if (zerosBefore(data, p + static_cast<std::size_t>(__builtin_ctzll(mask)))) ++count;
    return count;
}

// With AVX-512BW.
__attribute__((target("avx512f,avx512bw"))) static std::int32_t countAvx512(const std::uint8_t* data,
                                                                            std::size_t length,
                                                                            std::uint8_t code, std::size_t& p) {
    const __m512i ones = _mm512_set1_epi8(1);
    const __m512i codes = _mm512_set1_epi8(static_cast<char>(code));
    std::int32_t count = 0;
    for (; p + 65 <= length; p += 64) {
        std::uint64_t pairs = _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(data + p), ones) &
                              _mm512_cmpeq_epi8_mask(_mm512_loadu_si512(data + p + 1), codes);
        if (pairs != 0) count += countInMask(data, p, pairs);
    }
    // The last places, fewer than 64, in one masked go: a masked load
    // reads nothing past the chunk.
    if (p + 1 < length) {
        std::size_t places = length - 1 - p;
        __mmask64 in = places >= 64 ? ~__mmask64{0} : (__mmask64{1} << places) - 1;
        std::uint64_t pairs = _mm512_mask_cmpeq_epi8_mask(in, _mm512_maskz_loadu_epi8(in, data + p), ones) &
                              _mm512_mask_cmpeq_epi8_mask(in, _mm512_maskz_loadu_epi8(in, data + p + 1), codes);
        if (pairs != 0) count += countInMask(data, p, pairs);
        p = length - 1;
    }
    return count;
}

// With AVX2, as two halves of thirty-two.
__attribute__((target("avx2"))) static std::int32_t countAvx2(const std::uint8_t* data, std::size_t length,
                                                              std::uint8_t code, std::size_t& p) {
    const __m256i ones = _mm256_set1_epi8(1);
    const __m256i codes = _mm256_set1_epi8(static_cast<char>(code));
    std::int32_t count = 0;
    for (; p + 65 <= length; p += 64) {
        const auto* at = reinterpret_cast<const __m256i*>(data + p);
        const auto* after = reinterpret_cast<const __m256i*>(data + p + 1);
        __m256i low = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(at), ones),
                                       _mm256_cmpeq_epi8(_mm256_loadu_si256(after), codes));
        __m256i high = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(at + 1), ones),
                                        _mm256_cmpeq_epi8(_mm256_loadu_si256(after + 1), codes));
        __m256i any = _mm256_or_si256(low, high);
        if (_mm256_testz_si256(any, any)) continue;
        count += countInMask(data, p,
                             std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(low))} |
                                 std::uint64_t{static_cast<std::uint32_t>(_mm256_movemask_epi8(high))} << 32);
    }
    return count;
}
#endif

VectorWidth widestVectors() {
#if defined(__x86_64__)
    static const VectorWidth widest = __builtin_cpu_supports("avx512bw") ? VectorWidth::Avx512
                                      : __builtin_cpu_supports("avx2")   ? VectorWidth::Avx2
                                                                         : VectorWidth::Sse2;
    return widest;
#elif defined(__SSE2__)
    return VectorWidth::Sse2;
#else
    return VectorWidth::Plain;
#endif
}

// The same count, found by testing many places at a time for the pair
// 01 + code; only the rare pair found is checked for its zeros. The codes
// that end in the chunk's first three bytes begin in the window, and are
// left to the plain rule. Each width leaves the places it cannot take whole
// to the narrower ones.
std::int32_t countFrameCodesWith(const std::uint8_t* data, std::size_t length, VideoCodec codec,
                                 VectorWidth widest, std::uint32_t& window) {
    std::uint8_t code = frameCodeByte(codec);
    std::uint32_t head = window;
    std::int32_t count = countFrameCodesPlain(data, std::min<std::size_t>(length, 3), codec, head);
    window = windowAfter(window, data, length);
    std::size_t p = 2;  // the place of the 01 byte
#if defined(__x86_64__)
    if (widest >= VectorWidth::Avx512) count += countAvx512(data, length, code, p);
    if (widest >= VectorWidth::Avx2) count += countAvx2(data, length, code, p);
#endif
#if defined(__SSE2__)
    if (widest >= VectorWidth::Sse2) {
        const __m128i ones = _mm_set1_epi8(1);
        const __m128i codes = _mm_set1_epi8(static_cast<char>(code));
        for (; p + 17 <= length; p += 16) {
            __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p));
            __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + p + 1));
            auto mask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(here, ones), _mm_cmpeq_epi8(next, codes))));
            for (; mask != 0; mask &= mask - 1)
                if (zerosBefore(data, p + static_cast<std::size_t>(__builtin_ctz(mask)))) ++count;
        }
    }
#endif
    for (; p + 1 < length; ++p)
        if (data[p] == 0x01 && data[p + 1] == code && zerosBefore(data, p)) ++count;
    return count;
}

std::int32_t countFrameCodes(const std::uint8_t* data, std::size_t length, VideoCodec codec,
                             std::uint32_t& window) {
    return countFrameCodesWith(data, length, codec, widestVectors(), window);
}

}  // namespace strandex
