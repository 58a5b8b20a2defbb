// H.264 byte stream (ITU-T H.264): the access units before the first one
// whose delimiter announces I slices only, the profile and level of the
// first sequence parameter set, and the first video PTS. Only the NAL
// header bytes 09 (delimiter), 27 and 67 (SPS) are looked for; the three
// SPS bytes wanted come right after the header, before any Exp-Golomb
// field, so no bit reader is needed.
#include <array>
#include <string>
#include <string_view>

#include "analysers/analysers.h"
#include "analysers/first_video_pts.h"
#include "analysers/start_code_window.h"

namespace strandex {

namespace {

constexpr std::uint32_t kAccessUnitDelimiter = 0x00000109;  // nal_ref_idc 0
constexpr std::uint32_t kSpsRefIdc1 = 0x00000127;
constexpr std::uint32_t kSpsRefIdc3 = 0x00000167;
// An SPS with nal_ref_idc 2 (header byte 47) is not looked for.

struct ProfileLine {
    int profileIdc;
    std::string_view line;
};

constexpr std::array<ProfileLine, 7> kProfileLines{{
    {66, "   Baseline Profile"},
    {77, "   Main Profile"},
    {88, "   Extended Profile"},
    {100, "   High Profile"},
    {110, "   High 10 Profile"},
    {122, "   High 4:2:2 Profile"},
    {144, "   High 4:4:4 Profile"},
}};

std::string profileLine(int profileIdc) {
    for (const auto& p : kProfileLines)
        if (p.profileIdc == profileIdc) return std::string(p.line);
    return "   Unknown Profile";
}

// Level 1b of the Baseline, Main and Extended profiles is level_idc 11
// with constraint_set3_flag; any other level is its tens and its units
// written side by side, so level_idc 9 (1b of the High profiles) is 09.
std::string levelLine(int levelIdc, bool constraintSet3) {
    if (levelIdc == 11 && constraintSet3) return "   Level = 1b";
    return "   Level = " + std::to_string(levelIdc / 10) + std::to_string(levelIdc % 10);
}

// SPS bytes after the NAL header: profile_idc, the constraint flags,
// level_idc. The countdown holds the bytes still to come.
constexpr int kSpsBytes = 3;
constexpr int kAfterProfileIdc = 2;
constexpr int kAfterConstraintFlags = 1;
constexpr int kAfterLevelIdc = 0;

constexpr int kPrimaryPicTypeI = 0;  // I slices only

class H264Reader {
public:
    H264Reader(std::uint32_t pts, LineSink& out) : out_(out), firstPts_(pts, out) {}

    // Applies the first rule that matches the byte, and only that one.
    void step(std::uint8_t b) {
        window_.push(b);
        if (window_.holds(kAccessUnitDelimiter)) {
            delimiterByteNext_ = true;
        } else if (delimiterByteNext_) {
            delimiter(b);
        } else if (window_.holds(kSpsRefIdc1) || window_.holds(kSpsRefIdc3)) {
            spsLeft_ = kSpsBytes;
        } else if (spsLeft_ > 0) {
            spsByte(b);
        }
    }

private:
    void delimiter(std::uint8_t b) {
        delimiterByteNext_ = false;
        int primaryPicType = b >> 5;
        if (!iSeen_ && primaryPicType == kPrimaryPicTypeI) {
            out_.line("   " + std::to_string(framesBefore_) + " frames before first I-frame");
            iSeen_ = true;
            firstPts_.arm();
        }
        firstPts_.picture();
        ++framesBefore_;
    }

    void spsByte(std::uint8_t b) {
        --spsLeft_;
        // Only the first SPS of the chunk is shown.
        if (spsDone_) return;
        if (spsLeft_ == kAfterProfileIdc) {
            out_.line(profileLine(b));
        } else if (spsLeft_ == kAfterConstraintFlags) {
            constraintSet3_ = (b >> 4) & 1;
        } else if (spsLeft_ == kAfterLevelIdc) {
            out_.line(levelLine(b, constraintSet3_));
            spsDone_ = true;
        }
    }

    LineSink& out_;
    StartCodeWindow window_;
    unsigned framesBefore_ = 0;
    bool iSeen_ = false;
    bool spsDone_ = false;
    bool delimiterByteNext_ = false;
    int spsLeft_ = 0;
    bool constraintSet3_ = false;
    FirstVideoPts firstPts_;
};

}  // namespace

void H264info(const std::uint8_t* data, std::size_t length, std::uint32_t pts, LineSink& out) {
    H264Reader reader(pts, out);
    for (std::size_t i = 0; i < length; ++i) reader.step(data[i]);
}

}  // namespace strandex
