// The H.264 sequence parameter set read as far as its VUI timing info
// (ITU-T H.264 7.3.2.1.1 and E.1.1), for the stream facts' frame rate. The
// header analyser reads only the three bytes before the first Exp-Golomb
// field; everything after them needs the bit reader.
#include <array>
#include <vector>

#include "analysers/bit_reader.h"
#include "analysers/frame_rate.h"

namespace strandex {

namespace {

constexpr std::uint8_t kSpsType = 7;
// An SPS with a VUI runs to a few dozen bytes; a longer run is not one.
constexpr std::size_t kMaxSpsBytes = 1024;
// The profiles whose SPS carries chroma format, bit depths and scaling lists.
constexpr std::array<std::uint32_t, 13> kHighProfiles{100, 110, 122, 244, 44, 83, 86,
                                                      118, 128, 138, 139, 134, 135};
constexpr std::uint32_t kExtendedSar = 255;
constexpr std::uint32_t kMaxPocCycle = 255;

// The payload bytes of the NAL unit from `at` to the next start code, the
// emulation prevention bytes (00 00 03) taken out.
std::vector<std::uint8_t> rbspFrom(const std::uint8_t* data, std::size_t length, std::size_t at) {
    std::vector<std::uint8_t> rbsp;
    int zeros = 0;
    for (std::size_t i = at; i < length && rbsp.size() < kMaxSpsBytes; ++i) {
        std::uint8_t b = data[i];
        if (zeros >= 2 && b <= 1) break;  // 00 00 00 or 00 00 01: the next unit
        if (zeros >= 2 && b == 3) {
            zeros = 0;
            continue;
        }
        zeros = b == 0 ? zeros + 1 : 0;
        rbsp.push_back(b);
    }
    return rbsp;
}

bool isHighProfile(std::uint32_t profile) {
    for (std::uint32_t p : kHighProfiles)
        if (p == profile) return true;
    return false;
}

void skipScalingList(BitReader& r, int size) {
    std::int32_t last = 8, next = 8;
    for (int j = 0; j < size && !r.past(); ++j) {
        if (next != 0) next = (last + r.se() + 256) % 256;
        if (next != 0) last = next;
    }
}

void skipChromaAndScaling(BitReader& r) {
    std::uint32_t chroma = r.ue();
    if (chroma == 3) r.skip(1);  // separate_colour_plane_flag
    r.ue();                      // bit_depth_luma_minus8
    r.ue();                      // bit_depth_chroma_minus8
    r.skip(1);                   // qpprime_y_zero_transform_bypass_flag
    if (!r.flag()) return;       // seq_scaling_matrix_present_flag
    int lists = chroma != 3 ? 8 : 12;
    for (int i = 0; i < lists; ++i)
        if (r.flag()) skipScalingList(r, i < 6 ? 16 : 64);
}

// pic_order_cnt_type and what it brings.
void skipPictureOrder(BitReader& r) {
    std::uint32_t type = r.ue();
    if (type == 0) {
        r.ue();  // log2_max_pic_order_cnt_lsb_minus4
    } else if (type == 1) {
        r.skip(1);
        r.se();
        r.se();
        std::uint32_t cycle = r.ue();
        if (cycle > kMaxPocCycle) return r.refuse();
        for (std::uint32_t k = 0; k < cycle; ++k) r.se();
    }
}

// From seq_parameter_set_id to vui_parameters_present_flag; false when
// there is no VUI.
bool readToVui(BitReader& r, std::uint32_t profile) {
    r.ue();  // seq_parameter_set_id
    if (isHighProfile(profile)) skipChromaAndScaling(r);
    r.ue();  // log2_max_frame_num_minus4
    skipPictureOrder(r);
    r.ue();      // max_num_ref_frames
    r.skip(1);   // gaps_in_frame_num_value_allowed_flag
    r.ue();      // pic_width_in_mbs_minus1
    r.ue();      // pic_height_in_map_units_minus1
    if (!r.flag()) r.skip(1);  // frame_mbs_only_flag, mb_adaptive_frame_field_flag
    r.skip(1);   // direct_8x8_inference_flag
    if (r.flag())
        for (int k = 0; k < 4; ++k) r.ue();  // the frame cropping offsets
    return r.flag();
}

// The VUI fields before timing_info_present_flag, then the timing.
FrameRate readVuiTiming(BitReader& r) {
    if (r.flag() && r.read(8) == kExtendedSar) r.skip(32);  // aspect ratio
    if (r.flag()) r.skip(1);                                 // overscan
    if (r.flag()) {                                          // video signal type
        r.skip(4);
        if (r.flag()) r.skip(24);  // colour description
    }
    if (r.flag()) {  // chroma sample locations
        r.ue();
        r.ue();
    }
    if (!r.flag()) return {};
    std::uint64_t unitsInTick = r.read(32);
    std::uint64_t timeScale = r.read(32);
    if (r.past()) return {};
    return reducedRate(timeScale, 2 * unitsInTick);
}

FrameRate readSps(const std::vector<std::uint8_t>& rbsp) {
    BitReader r(rbsp.data(), rbsp.size());
    std::uint32_t profile = r.read(8);
    r.skip(16);  // constraint flags, level_idc
    if (!readToVui(r, profile) || r.past()) return {};
    return readVuiTiming(r);
}

}  // namespace

FrameRate h264FrameRate(const std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 3; i < length; ++i) {
        bool startCode = data[i - 1] == 1 && data[i - 2] == 0 && data[i - 3] == 0;
        if (!startCode || (data[i] & 0x80) != 0 || (data[i] & 0x1F) != kSpsType) continue;
        return readSps(rbspFrom(data, length, i + 1));
    }
    return {};
}

}  // namespace strandex
