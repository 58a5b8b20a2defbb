// Byte builders for MPEG-2 video and H.264 headers as encoders lay them
// out, and the run of a video header analyser over a chunk.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "analysers/line_sink.h"
#include "support/pack_builder.h"

namespace strandex::test {

using VideoAnalyser = void (*)(const std::uint8_t*, std::size_t, std::uint32_t, LineSink&);

// The analyser's lines for the chunk, read from an exact-size heap copy
// (see analyserLines).
std::vector<std::string> analyseVideo(VideoAnalyser analyser, const Bytes& chunk,
                                      std::uint32_t pts = 0);

// The lines that start with the prefix.
std::vector<std::string> linesStarting(const std::vector<std::string>& lines, const std::string& prefix);

// The first n bytes.
Bytes firstBytes(const Bytes& bytes, std::size_t n);

// Chunks for the fuzz tests, fixed by the seed: thousands of start-code-rich
// random runs, thousands of runs of the given header pieces with stray
// bytes between them, and `valid` cut at every length.
std::vector<Bytes> fuzzChunks(std::uint32_t seed, const std::vector<Bytes>& pieces, const Bytes& valid);

// No line of an analyser waits for later bytes: the lines of every cut of
// the chunk are the first lines of the whole chunk's. Returns the first
// cut length for which they are not.
std::optional<std::size_t> firstCutNotPrefix(VideoAnalyser analyser, const Bytes& chunk, std::uint32_t pts);

namespace mpeg2 {
// 00 00 01 B3 and 8 bytes: size, aspect_ratio_information, frame_rate_code,
// the 18-bit bit_rate_value, marker, VBV buffer size, no matrices.
Bytes sequenceHeader(int width, int height, int aspect, int frameRate, std::uint32_t bitRateValue);
// 00 00 01 B5 1x: Main profile at Main level, 4:2:0.
Bytes sequenceExtension(bool progressive);
Bytes groupOfPictures();
// 00 00 01 00 and 4 bytes, picture_coding_type in bits 5-3 of byte 1.
Bytes pictureHeader(int codingType);
// 00 00 01 B5 8x and 4 more bytes, as a frame picture has it.
Bytes pictureCodingExtension();
Bytes slice();
// A coded picture: its header, its coding extension and a slice.
Bytes picture(int codingType);
}  // namespace mpeg2

namespace h264 {
// 00 00 00 01 09 and the payload byte: primary_pic_type in bits 7-5.
Bytes delimiter(int primaryPicType);
// 00 00 00 01, the NAL header byte, profile_idc, the constraint flags,
// level_idc, then the rest of a real 176x144 SPS.
Bytes sps(std::uint8_t nalHeader, int profileIdc, std::uint8_t constraintFlags, int levelIdc);
Bytes pps();
Bytes idrSlice();
}  // namespace h264

}  // namespace strandex::test
