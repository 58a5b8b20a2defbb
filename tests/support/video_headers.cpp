#include "support/video_headers.h"

#include <algorithm>

#include "support/analyser_lines.h"
#include "support/stream_fuzz.h"

namespace strandex::test {

std::vector<std::string> analyseVideo(VideoAnalyser analyser, const Bytes& chunk, std::uint32_t pts) {
    return analyserLines([&](const std::uint8_t* data, std::size_t n, LineSink& out) { analyser(data, n, pts, out); },
                         chunk);
}

std::vector<std::string> linesStarting(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> kept;
    for (const auto& line : lines)
        if (line.rfind(prefix, 0) == 0) kept.push_back(line);
    return kept;
}

Bytes firstBytes(const Bytes& bytes, std::size_t n) {
    return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min(n, bytes.size())));
}

std::vector<Bytes> fuzzChunks(std::uint32_t seed, const std::vector<Bytes>& pieces, const Bytes& valid) {
    Dice dice(seed);
    std::vector<Bytes> chunks;
    for (int i = 0; i < 3000; ++i) chunks.push_back(startCodeRichBytes(dice, dice.below(80)));
    for (int i = 0; i < 2000; ++i) {
        Bytes chunk;
        for (std::uint32_t k = dice.below(12); k > 0; --k) {
            chunk += pieces[dice.below(static_cast<std::uint32_t>(pieces.size()))];
            if (dice.chance(30)) chunk += Bytes{dice.byte()};
        }
        chunks.push_back(chunk);
    }
    for (std::size_t n = 0; n <= valid.size(); ++n) chunks.push_back(firstBytes(valid, n));
    return chunks;
}

std::optional<std::size_t> firstCutNotPrefix(VideoAnalyser analyser, const Bytes& chunk, std::uint32_t pts) {
    auto whole = analyseVideo(analyser, chunk, pts);
    for (std::size_t n = 0; n <= chunk.size(); ++n) {
        auto part = analyseVideo(analyser, firstBytes(chunk, n), pts);
        if (part.size() > whole.size() || !std::equal(part.begin(), part.end(), whole.begin())) return n;
    }
    return std::nullopt;
}

namespace mpeg2 {

namespace {
std::uint8_t u8(unsigned v) { return static_cast<std::uint8_t>(v); }
}  // namespace

Bytes sequenceHeader(int width, int height, int aspect, int frameRate, std::uint32_t bitRateValue) {
    auto w = static_cast<unsigned>(width), h = static_cast<unsigned>(height);
    return {0x00, 0x00, 0x01, 0xB3,
            u8(w >> 4), u8((w & 0x0F) << 4 | (h >> 8 & 0x0F)), u8(h),
            u8(static_cast<unsigned>(aspect) << 4 | static_cast<unsigned>(frameRate)),
            u8(bitRateValue >> 10), u8(bitRateValue >> 2), u8((bitRateValue & 3) << 6 | 0x20),
            0x18};
}

Bytes sequenceExtension(bool progressive) {
    return {0x00, 0x00, 0x01, 0xB5, 0x14, u8(progressive ? 0x8A : 0x82), 0x00, 0x01, 0x00, 0x00};
}

Bytes groupOfPictures() { return {0x00, 0x00, 0x01, 0xB8, 0x00, 0x08, 0x00, 0x40}; }

Bytes pictureHeader(int codingType) {
    return {0x00, 0x00, 0x01, 0x00, 0x00, u8(static_cast<unsigned>(codingType) << 3 | 0x07), 0xFF, 0xF8};
}

Bytes pictureCodingExtension() { return {0x00, 0x00, 0x01, 0xB5, 0x8F, 0xFF, 0xF3, 0x41, 0x80}; }

Bytes slice() { return {0x00, 0x00, 0x01, 0x01, 0x23, 0xF8, 0x7D, 0x29, 0x48, 0x8B}; }

Bytes picture(int codingType) { return pictureHeader(codingType) + pictureCodingExtension() + slice(); }

}  // namespace mpeg2

namespace h264 {

Bytes delimiter(int primaryPicType) {
    return {0x00, 0x00, 0x00, 0x01, 0x09, static_cast<std::uint8_t>(primaryPicType << 5 | 0x10)};
}

Bytes sps(std::uint8_t nalHeader, int profileIdc, std::uint8_t constraintFlags, int levelIdc) {
    return {0x00, 0x00, 0x00, 0x01, nalHeader, static_cast<std::uint8_t>(profileIdc), constraintFlags,
            static_cast<std::uint8_t>(levelIdc), 0xAC, 0xD9, 0x42, 0xC4, 0xEC, 0x04, 0x40, 0x00,
            0x00, 0x03, 0x00, 0x40, 0x00, 0x00, 0x0C, 0x83, 0xC6, 0x0C, 0x65, 0x80};
}

Bytes pps() { return {0x00, 0x00, 0x00, 0x01, 0x68, 0xEB, 0xE3, 0xCB, 0x22, 0xC0}; }

Bytes idrSlice() { return {0x00, 0x00, 0x01, 0x65, 0x88, 0x84, 0x00, 0x33, 0xFF, 0xFE, 0xF6, 0xF0}; }

}  // namespace h264

}  // namespace strandex::test
