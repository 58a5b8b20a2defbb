// A video stream's pictures a second as its headers give them, a fraction
// in lowest terms (24000/1001), for the stream facts. Each reader takes the
// first header of its kind in the chunk; 0/0 when there is none or its
// codes name no rate.
#pragma once
#include <cstddef>
#include <cstdint>

namespace strandex {

struct FrameRate {
    int num = 0;
    int den = 0;
    bool known() const { return num != 0 && den != 0; }
};

// num/den in lowest terms, or 0/0 when either is 0 or the result does not
// fit an int.
FrameRate reducedRate(std::uint64_t num, std::uint64_t den);

// MPEG-2: frame_rate_code of the sequence header, times (n + 1) / (d + 1)
// of the sequence extension's frame_rate_extension fields.
FrameRate mpeg2FrameRate(const std::uint8_t* data, std::size_t length);
// VC-1: the advanced-profile sequence header's frame-rate fields, read as
// its analyser reads them.
FrameRate vc1FrameRate(const std::uint8_t* data, std::size_t length);
// H.264: the first sequence parameter set's VUI timing,
// time_scale / (2 x num_units_in_tick).
FrameRate h264FrameRate(const std::uint8_t* data, std::size_t length);

}  // namespace strandex
