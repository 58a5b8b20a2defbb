// The VC-1 advanced-profile sequence header of a video slot's first chunk:
// the frames before it, its fields, and the first video PTS once two frame
// headers have followed it. Every byte goes to the first rule that takes
// it, in the order of Vc1Reader::step; the fields are read from the 32-bit
// window of the last four bytes when their last byte arrives.
#include <array>
#include <string>

#include "analysers/analysers.h"
#include "analysers/first_video_pts.h"
#include "analysers/frame_rate.h"
#include "analysers/real_text.h"

namespace strandex {

namespace {

// Sample aspect ratio by ASPECT_RATIO; 15 (explicit size) has no text.
constexpr std::array<const char*, 16> VC1AspectNames{
    "unspecified",          "1:1 (square samples)", "12:11 (704x576 4:3)",
    "10:11 (704x480 4:3)",  "16:11 (704x576 16:9)", "40:33 (704x480 16:9)",
    "24:11 (352x576 4:3)",  "20:11 (352x480 4:3)",  "32:11 (352x576 16:9)",
    "80:33 (352x480 16:9)", "18:11 (48$576 4:3)",   "15:11 (48$480 4:3)",
    "64:33 (528x576 16:9)", "160:99 (528x480 16:9)", "Reserved",
    ""};
// FRAMERATENR codes 1-7 (frames per 1000 s); 0 is forbidden, 8-255 reserved.
constexpr std::array<std::uint32_t, 8> kFrameRateNumerators{0,     24000, 25000, 30000,
                                                            50000, 60000, 48000, 72000};
// FRAMERATEDR codes 1-2; 0 is forbidden, 3-15 reserved.
constexpr std::array<std::uint32_t, 3> kFrameRateDenominators{0, 1000, 1001};

constexpr std::uint32_t kFrameStartCode = 0x0000010D;
constexpr std::uint32_t kSequenceStartCode = 0x0000010F;

// A code's table value, or 0 after its warning line for a code outside the
// table's valid entries.
template <std::size_t N>
std::uint32_t frameRateTerm(const std::array<std::uint32_t, N>& table, std::uint32_t code,
                            LineSink& out) {
    if (code == 0) {
        out.line("   Forbidden Frame Rate!");
        return 0;
    }
    if (code >= N) {
        out.line("   Reserved Frame Rate!");
        return 0;
    }
    return table[code];
}

class Vc1Reader {
public:
    Vc1Reader(std::uint32_t pts, LineSink& out) : out_(out), firstPts_(pts, out, PtsDigits::Sixteen) {}

    void step(std::uint8_t b) {
        window_ = (window_ << 8) | b;
        if (window_ == kFrameStartCode)
            frameStartCode();
        else if (pictureCountdown_ > 0)
            pictureByte();
        else if (window_ == kSequenceStartCode)
            sequenceStartCode();
        else if (sequenceCountdown_ > 0)
            sequenceByte(b);
        else if (displayCountdown_ > 0)
            displayByte();
        else if (aspectCountdown_ > 0)
            aspectByte(b);
        else if (frameRateCountdown_ > 0)
            frameRateByte();
    }

    // The rate the frame-rate line shows, 0/0 without one or when it shows 0.
    FrameRate frameRate() const { return rate_; }

private:
    void line(const std::string& text) { out_.line(text); }
    std::uint32_t bits(int high, int low) const {
        return (window_ >> low) & ((1u << (high - low + 1)) - 1);
    }

    void frameStartCode() {
        ++framesBefore_;
        // Frames before the first sequence header do not count for the PTS.
        if (sequenceSeen_) pictureCountdown_ = 4;
    }

    // A frame header after the sequence header is a picture for the PTS
    // line at the fourth byte after its start code.
    void pictureByte() {
        if (--pictureCountdown_ == 0) firstPts_.picture();
    }

    void sequenceStartCode() {
        if (!detailsDone_) {
            line("   Sequence Header found");
            sequenceCountdown_ = 6;
        }
        if (sequenceSeen_) return;
        line("   " + std::to_string(framesBefore_) + " frames before first I-frame");
        sequenceSeen_ = true;
        firstPts_.arm();
    }

    // Bytes 0-5: profile, level, chroma format, coded size, flags.
    void sequenceByte(std::uint8_t b) {
        --sequenceCountdown_;
        if (detailsDone_) return;
        switch (sequenceCountdown_) {
            case 5: profileLevelChroma(b); break;
            case 1:
                line("   Size = " + std::to_string(2 * bits(23, 12) + 2) + "x" +
                     std::to_string(2 * bits(11, 0) + 2));
                break;
            case 0:
                line("   Pulldown = " + std::to_string(b >> 7));
                line("   Interlace = " + std::to_string((b >> 6) & 1u));
                if ((b >> 1) & 1u) displayCountdown_ = 4;  // DISPLAY_EXT
                break;
        }
    }

    void profileLevelChroma(std::uint8_t b) {
        line((b >> 6) == 3 ? "   Advanced Profile" : "   Reserved Profile");
        std::uint32_t level = (b >> 3) & 7u;
        line(level > 4 ? "   Level = Reserved" : "   Level = " + std::to_string(level));
        line(((b >> 1) & 3u) == 1 ? "   Chroma Format = 4:2:0" : "   Chroma Format = Reserved");
    }

    // Bytes 6-9: display size, then the aspect ratio. ASPECT_RATIO 15 is
    // followed by two explicit size bytes in the stream; they are not
    // skipped, so the frame-rate fields are read at the same positions
    // for every code.
    void displayByte() {
        --displayCountdown_;
        if (detailsDone_) return;
        if (displayCountdown_ == 2) {
            line("   Display Horizontal size = " + std::to_string(bits(16, 3) + 1));
        } else if (displayCountdown_ == 0) {
            line("   Display Vertical size = " + std::to_string(bits(18, 5) + 1));
            if (bits(4, 4) == 1) {
                aspectCountdown_ = 1;
                line("   Aspect ratio = " + std::string(VC1AspectNames[bits(3, 0)]));
            }
        }
    }

    // Byte 10: FRAMERATE_FLAG.
    void aspectByte(std::uint8_t b) {
        aspectCountdown_ = 0;
        if (!detailsDone_ && (b >> 7) == 1) frameRateCountdown_ = 2;
    }

    // Bytes 11-12: the frame-rate fields are complete at byte 12.
    void frameRateByte() {
        if (--frameRateCountdown_ > 0 || detailsDone_) return;
        if (bits(22, 22) == 1) {
            line("   Frame Rate =" + realText((bits(21, 6) + 1) / 32.0));
            rate_ = reducedRate(bits(21, 6) + 1, 32);  // FRAMERATEEXP
        } else {
            frameRateFromCodes(bits(21, 14), bits(13, 10));
        }
        detailsDone_ = true;
    }

    // A forbidden or reserved denominator reads as 0 and the rate as 0,
    // so the line still shows the numerator without dividing by zero.
    void frameRateFromCodes(std::uint32_t nrCode, std::uint32_t drCode) {
        std::uint32_t numerator = frameRateTerm(kFrameRateNumerators, nrCode, out_);
        std::uint32_t denominator = frameRateTerm(kFrameRateDenominators, drCode, out_);
        double rate = denominator == 0 ? 0.0 : static_cast<double>(numerator) / denominator;
        line("   Frame Rate = " + realText(rate) + " (" + std::to_string(numerator) + "/" +
             std::to_string(denominator) + ")");
        rate_ = reducedRate(numerator, denominator);
    }

    LineSink& out_;
    std::uint32_t window_ = 0;
    std::uint32_t framesBefore_ = 0;
    bool sequenceSeen_ = false;
    bool detailsDone_ = false;
    int pictureCountdown_ = 0;
    int sequenceCountdown_ = 0;
    int displayCountdown_ = 0;
    int aspectCountdown_ = 0;
    int frameRateCountdown_ = 0;
    FrameRate rate_;
    FirstVideoPts firstPts_;
};

}  // namespace

void VC1info(const std::uint8_t* data, std::size_t length, std::uint32_t pts, LineSink& out) {
    Vc1Reader reader(pts, out);
    for (std::size_t i = 0; i < length; ++i) reader.step(data[i]);
}

FrameRate vc1FrameRate(const std::uint8_t* data, std::size_t length) {
    NoLines none;
    Vc1Reader reader(0, none);
    for (std::size_t i = 0; i < length; ++i) reader.step(data[i]);
    return reader.frameRate();
}

}  // namespace strandex
