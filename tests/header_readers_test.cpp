// The header readers of the stream facts on hand-built headers, for the
// paths ffmpeg's fixtures do not take: the MPEG-2 frame rate extension, an
// H.264 SPS with scaling lists, picture order type 1, cropping and every
// VUI field before the timing (and an emulation prevention byte inside it),
// TrueHD's 8-channel presentation, and codes that name no rate.
#include <gtest/gtest.h>

#include "analysers/dts_core.h"
#include "analysers/frame_rate.h"
#include "analysers/mlp_sync.h"
#include "support/pack_builder.h"
#include "support/video_headers.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// Fields most significant bit first, and H.264's Exp-Golomb codes.
class Bits {
public:
    Bits& put(std::uint32_t value, int count) {
        for (int i = count - 1; i >= 0; --i) bit((value >> i) & 1u);
        return *this;
    }
    Bits& ue(std::uint32_t value) {
        std::uint32_t code = value + 1;
        int width = 0;
        while ((code >> width) > 1) ++width;
        put(0, width);
        return put(code, width + 1);
    }
    Bits& se(std::int32_t value) { return ue(value > 0 ? 2 * value - 1 : -2 * value); }
    // The rbsp stop bit, then emulation prevention: 03 after two zero bytes
    // that a byte of 00 to 03 follows.
    // The bytes so far, the last one filled with zero bits.
    Bytes bytes() const { return bytes_; }
    Bytes nal(std::uint8_t header) {
        bit(1);
        while (used_ != 0) bit(0);
        Bytes out{0x00, 0x00, 0x01, header};
        int zeros = 0;
        for (std::uint8_t b : bytes_) {
            if (zeros >= 2 && b <= 3) {
                out.push_back(3);
                zeros = 0;
            }
            out.push_back(b);
            zeros = b == 0 ? zeros + 1 : 0;
        }
        return out;
    }

private:
    void bit(std::uint32_t b) {
        if (used_ == 0) bytes_.push_back(0);
        if (b) bytes_.back() = static_cast<std::uint8_t>(bytes_.back() | (0x80u >> used_));
        used_ = (used_ + 1) % 8;
    }
    Bytes bytes_;
    int used_ = 0;
};

std::string text(FrameRate r) { return std::to_string(r.num) + "/" + std::to_string(r.den); }

// A High profile SPS at 1080i whose VUI timing is units / scale.
Bytes highSps(std::uint32_t unitsInTick, std::uint32_t timeScale, bool timing = true) {
    Bits b;
    b.put(100, 8).put(0, 8).put(40, 8).ue(0);  // profile, constraints, level, sps id
    b.ue(1).ue(0).ue(0).put(0, 1);             // 4:2:0, 8 bits, no bypass
    b.put(1, 1);                               // seq_scaling_matrix_present_flag
    b.put(1, 1);                               // list 0 present: 16 deltas
    b.se(-8);                                  // next scale 0: the rest use the last
    for (int k = 0; k < 7; ++k) b.put(k == 6, 1);  // list 7 (8x8) present too
    for (int k = 0; k < 64; ++k) b.se(k == 0 ? 8 : 0);
    b.ue(0);                                   // log2_max_frame_num_minus4
    b.ue(1).put(0, 1).se(-1).se(2).ue(2).se(1).se(-1);  // picture order type 1
    b.ue(4).put(0, 1).ue(119).ue(33);          // refs, gaps, 1920 wide, 1088 / 2 high
    b.put(0, 1).put(1, 1);                     // fields: mb_adaptive_frame_field_flag
    b.put(1, 1).put(1, 1).ue(0).ue(0).ue(0).ue(4);  // direct 8x8, cropping to 1080
    b.put(1, 1);                               // vui_parameters_present_flag
    b.put(1, 1).put(255, 8).put(1, 16).put(1, 16);  // extended sample aspect
    b.put(1, 1).put(1, 1);                     // overscan
    b.put(1, 1).put(5, 3).put(0, 1).put(1, 1).put(0x010101, 24);  // signal type, colours
    b.put(1, 1).ue(0).ue(0);                   // chroma sample locations
    b.put(timing, 1);
    if (timing) b.put(unitsInTick, 32).put(timeScale, 32).put(1, 1);
    b.put(0, 5);                               // no HRD, no pic struct, no restrictions
    return b.nal(0x67);
}

}  // namespace

// frame_rate_code 4 (30000/1001) scaled by frame_rate_extension_n + 1 and
// _d + 1 of the sequence extension's byte 5.
TEST(HeaderReaders, Mpeg2FrameRateExtensionScalesTheCode) {
    auto rated = [](std::uint8_t extensionByte5) {
        Bytes ext = mpeg2::sequenceExtension(false);
        ext[4 + 5] = extensionByte5;
        Bytes chunk = mpeg2::sequenceHeader(720, 480, 2, 4, 1000) + ext + mpeg2::picture(1);
        return text(mpeg2FrameRate(chunk.data(), chunk.size()));
    };
    EXPECT_EQ(rated(0x00), "30000/1001");
    EXPECT_EQ(rated(0x20), "60000/1001");  // n = 1
    EXPECT_EQ(rated(0x01), "15000/1001");  // d = 1
    Bytes reserved = mpeg2::sequenceHeader(720, 480, 2, 9, 1000) + mpeg2::sequenceExtension(false);
    EXPECT_FALSE(mpeg2FrameRate(reserved.data(), reserved.size()).known());
    Bytes alone = mpeg2::sequenceHeader(720, 576, 2, 3, 1000);  // cut before the extension
    EXPECT_EQ(text(mpeg2FrameRate(alone.data(), alone.size())), "25/1");
}

// time_scale 60000 over 2 x 1001 units is 30000/1001; 1001 written as 32
// bits holds 00 00 03 E9, which the stream carries as 00 00 03 03 E9.
TEST(HeaderReaders, H264TimingAfterEveryFieldBeforeIt) {
    Bytes sps = highSps(1001, 60000);
    Bytes chunk = h264::delimiter(0) + sps + h264::pps();
    EXPECT_EQ(text(h264FrameRate(chunk.data(), chunk.size())), "30000/1001");
    Bytes film = highSps(1001, 48000);
    EXPECT_EQ(text(h264FrameRate(film.data(), film.size())), "24000/1001");
    Bytes none = highSps(0, 0, false);
    EXPECT_FALSE(h264FrameRate(none.data(), none.size()).known());
    Bytes zeroUnits = highSps(0, 50);
    EXPECT_FALSE(h264FrameRate(zeroUnits.data(), zeroUnits.size()).known());
    // Cut before the last byte, which holds the bits after the timing, the
    // SPS gives no rate.
    for (std::size_t cut = 0; cut + 1 < sps.size(); ++cut)
        EXPECT_FALSE(h264FrameRate(sps.data(), cut).known()) << "cut at " << cut;
    EXPECT_TRUE(h264FrameRate(sps.data(), sps.size() - 1).known());
}

// format_info of a TrueHD major sync: the 6-channel presentation 3/2
// (L/R, C, Ls/Rs) and the 8-channel one with LFE and Lrs/Rrs: 7.1. An
// 8-channel assignment of 0 leaves the 6-channel one.
TEST(HeaderReaders, TrueHdTakesTheEightChannelPresentation) {
    auto sync = [](std::uint32_t rate, std::uint32_t six, std::uint32_t eight) {
        Bits info;
        info.put(rate, 4).put(0, 4).put(0, 2).put(0, 2).put(six, 5).put(0, 2).put(eight, 13);
        Bytes unit = Bytes{0x10, 0x20, 0x30, 0x40, 0xF8, 0x72, 0x6F, 0xBA} + info.bytes();
        return findMlpMajorSync(unit.data(), unit.size());
    };
    MlpMajorSync s71 = sync(0, 0x0B, 0x4F);
    EXPECT_EQ(s71.kind, MlpKind::TrueHd);
    EXPECT_EQ(s71.sampleRate, 48000);
    EXPECT_EQ(s71.channels, 8);
    EXPECT_TRUE(s71.lfe);
    MlpMajorSync s50 = sync(9, 0x0B, 0);
    EXPECT_EQ(s50.sampleRate, 88200);
    EXPECT_EQ(s50.channels, 5);
    EXPECT_FALSE(s50.lfe);
    EXPECT_EQ(sync(15, 1, 0).sampleRate, 0);  // no rate
    Bytes cut{0xF8, 0x72, 0x6F, 0xBA, 0x00, 0x00};
    EXPECT_EQ(findMlpMajorSync(cut.data(), cut.size()).kind, MlpKind::None);
}

// A DTS core header: AMODE 9 (3/2) with LFE, 48 kHz, 1536 kbit/s; LFF 3,
// SFREQ 0 and a frame below 96 bytes are no header, a user-defined AMODE
// gives no channel count.
TEST(HeaderReaders, DtsCoreFieldsAndInvalidCodes) {
    auto core = [](std::uint32_t frameSize, std::uint32_t amode, std::uint32_t sfreq, std::uint32_t lff) {
        Bits b;
        b.put(0x7FFE8001, 32).put(1, 1).put(31, 5).put(0, 1).put(15, 7).put(frameSize, 14);
        b.put(amode, 6).put(sfreq, 4).put(24, 5).put(0, 10).put(lff, 2).put(0, 16);
        Bytes frame = Bytes{0x12, 0x34} + b.bytes();
        return findDtsCore(frame.data(), frame.size());
    };
    DtsCoreHeader h = core(2047, 9, 13, 2);
    EXPECT_TRUE(h.valid);
    EXPECT_EQ(h.channels, 6);
    EXPECT_TRUE(h.lfe);
    EXPECT_EQ(h.sampleRate, 48000);
    EXPECT_EQ(h.bitRate, 1536000);
    EXPECT_EQ(h.frameBytes, 2048u);
    EXPECT_FALSE(core(2047, 9, 13, 3).valid);
    EXPECT_FALSE(core(2047, 9, 0, 0).valid);
    EXPECT_FALSE(core(94, 9, 13, 0).valid);
    EXPECT_EQ(core(2047, 40, 13, 0).channels, 0);
}

// A rate whose reduced terms do not fit an int is none.
TEST(HeaderReaders, ReducedRates) {
    EXPECT_EQ(text(reducedRate(48000, 2002)), "24000/1001");
    EXPECT_EQ(text(reducedRate(960, 32)), "30/1");
    EXPECT_FALSE(reducedRate(0xFFFFFFFFull, 2).known());
    EXPECT_FALSE(reducedRate(25, 0).known());
}
