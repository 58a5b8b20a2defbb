// MPEG-2 video (ISO/IEC 13818-2): the pictures before the first sequence
// header, that header's size, aspect ratio, frame rate and bit rate, the
// progressive_sequence flag, picture types outside I, P and B, and the
// first video PTS. The chunk is read one byte at a time; header fields are
// taken by countdowns that start at their start code, so a header cut by
// the end of the chunk simply leaves the lines its earlier bytes gave.
#include <array>
#include <string>
#include <string_view>

#include "analysers/analysers.h"
#include "analysers/first_video_pts.h"
#include "analysers/frame_rate.h"
#include "analysers/start_code_window.h"

namespace strandex {

namespace {

constexpr std::uint32_t kPictureStartCode = 0x00000100;
constexpr std::uint32_t kSequenceHeaderCode = 0x000001B3;
constexpr std::uint32_t kExtensionStartCode = 0x000001B5;

constexpr std::uint8_t kSequenceExtensionId = 1;
constexpr std::uint8_t kPictureCodingExtensionId = 8;

// By aspect_ratio_information, a 4-bit code: every code has its line.
constexpr std::array<std::string_view, 16> kAspectRatioLines{
    "   Aspect ratio = forbidden",     "   Aspect ratio = square samples",
    "   Aspect ratio = 4:3",           "   Aspect ratio = 16:9",
    "   Aspect ratio = 2.21:1",        "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",      "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",      "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",      "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",      "   Aspect ratio = reserved",
    "   Aspect ratio = reserved",      "   Aspect ratio = reserved",
};

// By frame_rate_code, a 4-bit code.
constexpr std::array<std::string_view, 16> kFrameRateLines{
    "   Frame rate = forbidden", "   Frame rate = 23.976",   "   Frame rate = 24",
    "   Frame rate = 25",        "   Frame rate = 29.97",    "   Frame rate = 30",
    "   Frame rate = 50",        "   Frame rate = 59.94",    "   Frame rate = 60",
    "   Frame rate = reserved",  "   Frame rate = reserved", "   Frame rate = reserved",
    "   Frame rate = reserved",  "   Frame rate = reserved", "   Frame rate = reserved",
    "   Frame rate = reserved",
};

// Sequence header bytes after its start code: 0-2 the size, 3 aspect ratio
// and frame rate, 4-6 the bit rate. The countdown holds the bytes still to
// come, so its value after a byte names that byte.
constexpr int kSequenceHeaderBytes = 7;
constexpr int kAfterSizeBytes = 4;         // byte 2 read
constexpr int kAfterAspectRateByte = 3;    // byte 3 read
constexpr int kAfterBitRateBytes = 0;      // byte 6 read
// A picture coding extension is passed over for its first 6 bytes; the
// PTS step happens at its byte 4, one byte before the countdown runs out.
constexpr int kPictureExtensionBytes = 5;
constexpr int kPtsStepAt = 1;

// By frame_rate_code: the nominal rate as a fraction, 0/0 for forbidden and
// reserved codes.
struct RateTerms {
    std::uint32_t num, den;
};
constexpr std::array<RateTerms, 16> kFrameRates{{
    {0, 0}, {24000, 1001}, {24, 1}, {25, 1}, {30000, 1001}, {30, 1}, {50, 1}, {60000, 1001}, {60, 1},
    {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
}};
// The sequence extension byte after its identifier byte that holds
// low_delay, frame_rate_extension_n (2 bits) and frame_rate_extension_d (5).
constexpr int kRateExtensionByte = 5;

class Mpeg2Reader {
public:
    Mpeg2Reader(std::uint32_t pts, LineSink& out) : out_(out), firstPts_(pts, out) {}

    // Applies the first rule that matches the byte, and only that one; the
    // frame rate's extension byte is only looked at, whichever rule takes it.
    void step(std::uint8_t b) {
        window_.push(b);
        if (rateExtensionLeft_ > 0 && --rateExtensionLeft_ == 0) rateExtension(b);
        if (window_.holds(kPictureStartCode)) {
            pictureLeft_ = 2;
        } else if (window_.holds(kSequenceHeaderCode)) {
            sequenceHeaderStart();
        } else if (sequenceLeft_ > 0) {
            sequenceHeaderByte(b);
        } else if (pictureLeft_ > 0) {
            if (--pictureLeft_ == 0) pictureCodingType(b);
        } else if (window_.holds(kExtensionStartCode)) {
            extensionIdNext_ = true;
        } else if (extensionIdNext_) {
            extensionStart(b);
        } else if (pictureExtensionLeft_ > 0) {
            if (--pictureExtensionLeft_ == kPtsStepAt && firstPts_.pending())
                firstPts_.picture();
        } else if (sequenceExtensionByteNext_) {
            sequenceExtensionByte(b);
        }
    }

    FrameRate frameRate() const { return reducedRate(rate_.num, rate_.den); }

private:
    // The extension scales the first sequence header's rate.
    void rateExtension(std::uint8_t b) {
        rateExtended_ = true;
        rate_.num *= ((b >> 5) & 3u) + 1;
        rate_.den *= (b & 0x1Fu) + 1;
    }

    void sequenceHeaderStart() {
        sequenceLeft_ = kSequenceHeaderBytes;
        if (!sequenceSeen_) {
            out_.line("   Sequence Header found");
            out_.line("   " + std::to_string(framesBefore_) + " frames before first Sequence Header");
            sequenceSeen_ = true;
            firstPts_.arm();
        }
        framesBefore_ = 0;
    }

    void sequenceHeaderByte(std::uint8_t b) {
        --sequenceLeft_;
        // Once the progressive_sequence line is out, later headers say nothing.
        if (detailsDone_) return;
        std::uint32_t w = window_.bits();
        if (sequenceLeft_ == kAfterSizeBytes) {
            out_.line("   size = " + std::to_string((w >> 12) & 0xFFF) + "x" + std::to_string(w & 0xFFF));
        } else if (sequenceLeft_ == kAfterAspectRateByte) {
            out_.line(std::string(kAspectRatioLines[b >> 4]));
            out_.line(std::string(kFrameRateLines[b & 0x0F]));
            rate_ = kFrameRates[b & 0x0F];
        } else if (sequenceLeft_ == kAfterBitRateBytes) {
            // 18 bits times 400 stays below 2^32.
            std::uint32_t bitRateValue = (w >> 6) & 0x3FFFF;
            out_.line("  Sequence header bitrate = " + std::to_string(bitRateValue * 400u) + " bps");
        }
    }

    // Only I (1), P (2) and B (3) pictures are expected; D pictures (4) and
    // the forbidden and reserved codes are reported wherever they stand.
    void pictureCodingType(std::uint8_t b) {
        unsigned type = (b >> 3) & 0x07;
        if (type == 0 || type >= 4) out_.line("   illegal picture_coding_type = " + std::to_string(type));
    }

    void extensionStart(std::uint8_t b) {
        extensionIdNext_ = false;
        std::uint8_t id = b >> 4;
        if (id == kPictureCodingExtensionId) {
            // Every picture has one, so it counts the pictures.
            if (sequenceSeen_) pictureExtensionLeft_ = kPictureExtensionBytes;
            ++framesBefore_;
        } else if (id == kSequenceExtensionId) {
            sequenceExtensionByteNext_ = true;
            if (sequenceSeen_ && !rateExtended_ && !detailsDone_) rateExtensionLeft_ = kRateExtensionByte;
        }
    }

    void sequenceExtensionByte(std::uint8_t b) {
        sequenceExtensionByteNext_ = false;
        if (detailsDone_) return;
        out_.line("   Progressive Sequence = " + std::to_string((b >> 3) & 1));
        detailsDone_ = true;
    }

    LineSink& out_;
    StartCodeWindow window_;
    unsigned framesBefore_ = 0;
    bool sequenceSeen_ = false;
    bool detailsDone_ = false;
    int sequenceLeft_ = 0;
    int pictureLeft_ = 0;
    bool extensionIdNext_ = false;
    int pictureExtensionLeft_ = 0;
    bool sequenceExtensionByteNext_ = false;
    RateTerms rate_{0, 0};
    int rateExtensionLeft_ = 0;
    bool rateExtended_ = false;
    FirstVideoPts firstPts_;
};

}  // namespace

void MPEG2info(const std::uint8_t* data, std::size_t length, std::uint32_t pts, LineSink& out) {
    Mpeg2Reader reader(pts, out);
    for (std::size_t i = 0; i < length; ++i) reader.step(data[i]);
}

FrameRate mpeg2FrameRate(const std::uint8_t* data, std::size_t length) {
    NoLines none;
    Mpeg2Reader reader(0, none);
    for (std::size_t i = 0; i < length; ++i) reader.step(data[i]);
    return reader.frameRate();
}

}  // namespace strandex
