// The VC-1 header analyser: the lines of a sequence header, frame rates,
// reserved codes, the frames before it and the first-video-PTS line, the
// byte quirks, headers ffprobe reads the same way, random or cut chunks;
// and the details lines of a Read EVO scan in their order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "analysers/analysers.h"
#include "support/ac3_vc1_headers.h"
#include "support/engine_checks.h"
#include "support/engine_harness.h"
#include "support/fixture_files.h"
#include "support/probe_report.h"
#include "support/video_headers.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

Lines analyse(const Bytes& chunk, std::uint32_t pts = 90000) { return analyseVideo(VC1info, chunk, pts); }

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// What the default sequence header (1920x1080, 1:1, 24000/1001) gives.
const Lines kHeader1080{"   Sequence Header found",
                        "   0 frames before first I-frame",
                        "   Advanced Profile",
                        "   Level = 3",
                        "   Chroma Format = 4:2:0",
                        "   Size = 1920x1080",
                        "   Pulldown = 0",
                        "   Interlace = 0",
                        "   Display Horizontal size = 1920",
                        "   Display Vertical size = 1080",
                        "   Aspect ratio = 1:1 (square samples)",
                        "   Frame Rate = 23.976023976024 (24000/1001)"};

// The lines of a header up to the aspect line, with the frames-before line
// left out: those of a repeated header.
Lines repeatedHeaderLines() {
    Lines lines = kHeader1080;
    lines.erase(lines.begin() + 1);
    lines.pop_back();
    return lines;
}

// The last lines of a header with the given frame-rate codes.
Lines frameRateLines(const Vc1SequenceFields& f) {
    Lines lines = analyse(vc1SequenceHeader(f));
    return Lines(lines.begin() + static_cast<long>(std::min<std::size_t>(lines.size(), 11)),
                 lines.end());
}

Vc1SequenceFields rateCodes(int nr, int dr) {
    Vc1SequenceFields f;
    f.framerateNr = nr;
    f.framerateDr = dr;
    return f;
}

}  // namespace

TEST(Vc1Info, SequenceHeaderOf1080pThenTheFirstVideoPts) {
    Bytes header = vc1SequenceHeader({}) + vc1EntryPoint();
    EXPECT_EQ(analyse(header), kHeader1080);
    // The PTS line waits for the fourth byte of the second frame header.
    EXPECT_EQ(analyse(header + vc1Frame()), kHeader1080);
    EXPECT_EQ(analyse(header + vc1Frame() + vc1Frame()),
              kHeader1080 + Lines{"   First Video PTS = 0000000000015F90"});
    EXPECT_EQ(analyse(header + vc1Frame() + vc1Frame() + vc1Frame(), 0xFFFFFFFFu),
              kHeader1080 + Lines{"   First Video PTS = 00000000FFFFFFFF"});
    Bytes twoFrames = header + vc1Frame() + vc1Frame();
    auto fourthByteOfSecond = static_cast<long>(header.size() + vc1Frame().size() + 7);
    EXPECT_EQ(analyse(Bytes(twoFrames.begin(), twoFrames.begin() + fourthByteOfSecond)),
              kHeader1080);
    EXPECT_EQ(analyse(Bytes(twoFrames.begin(), twoFrames.begin() + fourthByteOfSecond + 1)).size(),
              kHeader1080.size() + 1);
}

TEST(Vc1Info, FramesBeforeTheSequenceHeaderAreCountedButStartNoPtsCountdown) {
    Bytes chunk = vc1Frame() + vc1Frame() + vc1Frame() + vc1SequenceHeader({}) + vc1Frame();
    Lines want = kHeader1080;
    want[1] = "   3 frames before first I-frame";
    EXPECT_EQ(analyse(chunk), want);
}

TEST(Vc1Info, WindowStartsAtZeroSoAChunkMayBeginWithTheCodesLastBytes) {
    Bytes header = vc1SequenceHeader({});
    EXPECT_EQ(analyse(Bytes(header.begin() + 2, header.end())), kHeader1080);  // 01 0F ...
    EXPECT_EQ(analyse(Bytes(header.begin() + 1, header.end())), kHeader1080);  // 00 01 0F ...
    EXPECT_EQ(analyse(Bytes(header.begin() + 3, header.end())), Lines{});      // 0F ...
    // 01 0D at the start counts a frame too.
    Lines want = kHeader1080;
    want[1] = "   1 frames before first I-frame";
    EXPECT_EQ(analyse(Bytes{0x01, 0x0D, 0x42} + header), want);
}

TEST(Vc1Info, FrameRates) {
    Vc1SequenceFields f;
    f.framerateInd = 1;
    f.framerateExp = 767;
    EXPECT_EQ(frameRateLines(f), Lines{"   Frame Rate =24"});
    f.framerateExp = 0;
    EXPECT_EQ(frameRateLines(f), Lines{"   Frame Rate =0.03125"});
    EXPECT_EQ(frameRateLines(rateCodes(1, 2)),
              Lines{"   Frame Rate = 23.976023976024 (24000/1001)"});
    EXPECT_EQ(frameRateLines(rateCodes(1, 1)), Lines{"   Frame Rate = 24 (24000/1000)"});
    EXPECT_EQ(frameRateLines(rateCodes(2, 1)), Lines{"   Frame Rate = 25 (25000/1000)"});
    EXPECT_EQ(frameRateLines(rateCodes(3, 2)),
              Lines{"   Frame Rate = 29.97002997003 (30000/1001)"});
    EXPECT_EQ(frameRateLines(rateCodes(7, 1)), Lines{"   Frame Rate = 72 (72000/1000)"});
}

TEST(Vc1Info, ForbiddenAndReservedFrameRateCodes) {
    EXPECT_EQ(frameRateLines(rateCodes(9, 1)),
              (Lines{"   Reserved Frame Rate!", "   Frame Rate = 0 (0/1000)"}));
    EXPECT_EQ(frameRateLines(rateCodes(8, 2)),
              (Lines{"   Reserved Frame Rate!", "   Frame Rate = 0 (0/1001)"}));
    EXPECT_EQ(frameRateLines(rateCodes(255, 2)),
              (Lines{"   Reserved Frame Rate!", "   Frame Rate = 0 (0/1001)"}));
    EXPECT_EQ(frameRateLines(rateCodes(0, 1)),
              (Lines{"   Forbidden Frame Rate!", "   Frame Rate = 0 (0/1000)"}));
    // No denominator: the line shows 0 for it and for the rate.
    EXPECT_EQ(frameRateLines(rateCodes(1, 0)),
              (Lines{"   Forbidden Frame Rate!", "   Frame Rate = 0 (24000/0)"}));
    for (int dr = 3; dr < 16; ++dr)
        EXPECT_EQ(frameRateLines(rateCodes(2, dr)),
                  (Lines{"   Reserved Frame Rate!", "   Frame Rate = 0 (25000/0)"}))
            << "FRAMERATEDR " << dr;
    EXPECT_EQ(frameRateLines(rateCodes(0, 0)),
              (Lines{"   Forbidden Frame Rate!", "   Forbidden Frame Rate!",
                     "   Frame Rate = 0 (0/0)"}));
    EXPECT_EQ(frameRateLines(rateCodes(200, 15)),
              (Lines{"   Reserved Frame Rate!", "   Reserved Frame Rate!",
                     "   Frame Rate = 0 (0/0)"}));
}

TEST(Vc1Info, ReservedProfileLevelAndChromaCodes) {
    auto firstFields = [](int profile, int level, int chroma) {
        Vc1SequenceFields f;
        f.profile = profile;
        f.level = level;
        f.colordiffFormat = chroma;
        Lines lines = analyse(vc1SequenceHeader(f));
        return Lines(lines.begin() + 2, lines.begin() + 5);
    };
    EXPECT_EQ(firstFields(0, 5, 0),
              (Lines{"   Reserved Profile", "   Level = Reserved", "   Chroma Format = Reserved"}));
    EXPECT_EQ(firstFields(2, 7, 3),
              (Lines{"   Reserved Profile", "   Level = Reserved", "   Chroma Format = Reserved"}));
    EXPECT_EQ(firstFields(3, 4, 2),
              (Lines{"   Advanced Profile", "   Level = 4", "   Chroma Format = Reserved"}));
    EXPECT_EQ(firstFields(1, 0, 1),
              (Lines{"   Reserved Profile", "   Level = 0", "   Chroma Format = 4:2:0"}));
}

TEST(Vc1Info, AspectRatioTexts) {
    auto aspectLine = [](int code) {
        Vc1SequenceFields f;
        f.aspectRatio = code;
        return analyse(vc1SequenceHeader(f)).at(10);
    };
    EXPECT_EQ(aspectLine(0), "   Aspect ratio = unspecified");
    EXPECT_EQ(aspectLine(1), "   Aspect ratio = 1:1 (square samples)");
    EXPECT_EQ(aspectLine(5), "   Aspect ratio = 40:33 (704x480 16:9)");
    EXPECT_EQ(aspectLine(10), "   Aspect ratio = 18:11 (48$576 4:3)");
    EXPECT_EQ(aspectLine(11), "   Aspect ratio = 15:11 (48$480 4:3)");
    EXPECT_EQ(aspectLine(13), "   Aspect ratio = 160:99 (528x480 16:9)");
    EXPECT_EQ(aspectLine(14), "   Aspect ratio = Reserved");
    EXPECT_EQ(aspectLine(15), "   Aspect ratio = ");
}

// ASPECT_RATIO 15 is followed by two bytes of explicit aspect size; the
// frame-rate fields are still read where they lie for the other codes, so
// those two bytes are read as FRAMERATE_FLAG and what follows it.
TEST(Vc1Info, ExplicitAspectSizeBytesAreReadAsTheFrameRateFields) {
    Vc1SequenceFields f;
    f.aspectRatio = 15;
    f.aspectHorizSize = 0x3F;  // top bit 0: no frame-rate report
    Lines lines = analyse(vc1SequenceHeader(f));
    EXPECT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines.back(), "   Aspect ratio = ");
    f.aspectHorizSize = 0xFF;  // flag, FRAMERATEIND, then 0x3F 0xFF and 10 from the next byte
    f.aspectVertSize = 0xFF;
    EXPECT_EQ(frameRateLines(f), Lines{"   Frame Rate =2047.96875"});
}

TEST(Vc1Info, FlagsThatEndTheReportEarly) {
    Vc1SequenceFields f;
    f.displayExt = 0;
    f.pulldown = 1;
    f.interlace = 1;
    Lines lines = kHeader1080;
    lines.resize(8);
    lines[6] = "   Pulldown = 1";
    lines[7] = "   Interlace = 1";
    EXPECT_EQ(analyse(vc1SequenceHeader(f)), lines);
    f = {};
    f.aspectRatioFlag = 0;
    lines = kHeader1080;
    lines.resize(10);
    EXPECT_EQ(analyse(vc1SequenceHeader(f)), lines);
    f = {};
    f.framerateFlag = 0;
    lines = kHeader1080;
    lines.pop_back();
    EXPECT_EQ(analyse(vc1SequenceHeader(f)), lines);
}

TEST(Vc1Info, HeadersRepeatUntilTheFrameRateIsReported) {
    Vc1SequenceFields noRate;
    noRate.framerateFlag = 0;
    Lines first = kHeader1080;
    first.pop_back();
    // The second header repeats everything but the frames-before line.
    EXPECT_EQ(analyse(vc1SequenceHeader(noRate) + vc1Frame() + vc1SequenceHeader({})),
              first + repeatedHeaderLines() + Lines{kHeader1080.back()});
    // After the frame-rate report a later header writes nothing.
    EXPECT_EQ(analyse(vc1SequenceHeader({}) + vc1SequenceHeader(noRate)), kHeader1080);
    // Frame headers after the first sequence header count for the PTS
    // line, whichever header they follow.
    EXPECT_EQ(analyse(vc1SequenceHeader(noRate) + vc1Frame() + vc1SequenceHeader(noRate) +
                      vc1Frame()),
              first + repeatedHeaderLines() + Lines{"   First Video PTS = 0000000000015F90"});
    // A frame header's four bytes come first: a sequence start code that
    // ends among them is not one.
    EXPECT_EQ(analyse(vc1SequenceHeader(noRate) + Bytes{0x00, 0x00, 0x01, 0x0D} +
                      vc1SequenceHeader({})),
              first);
}

// The fixtures hold the header builder's bytes with an entry point and four
// frames; ffprobe -f vc1 reads their sequence header as vc1.probe.txt says.
TEST(Vc1Info, HeadersGiveWhatFfprobeReads) {
    auto entries = readProbeReport(fixture("vc1.probe.txt"));
    ASSERT_EQ(entries.size(), 2u);
    for (auto& e : entries) {
        SCOPED_TRACE(e["file"]);
        ASSERT_EQ(e["profile"], "Advanced");
        const std::string size = e["width"] + "x" + e["height"];
        const std::string interlace = e["field_order"] == "progressive" ? "0" : "1";
        std::string rate;
        if (e["r_frame_rate"] == "24000/1001")
            rate = "   Frame Rate = 23.976023976024 (24000/1001)";
        else if (e["r_frame_rate"] == "30/1")
            rate = "   Frame Rate =30";  // written as FRAMERATEEXP 959
        const std::string aspect = e["sample_aspect_ratio"] == "1:1" ? "1:1 (square samples)"
                                   : e["sample_aspect_ratio"] == "40:33" ? "40:33 (704x480 16:9)"
                                                                         : "?";
        Lines lines = analyse(readFile(fixture(e["file"])));
        ASSERT_EQ(lines.size(), 13u);
        EXPECT_EQ(lines[2], "   Advanced Profile");
        EXPECT_EQ(lines[3], "   Level = " + e["level"]);
        EXPECT_EQ(lines[5], "   Size = " + size);
        EXPECT_EQ(lines[7], "   Interlace = " + interlace);
        EXPECT_EQ(lines[8], "   Display Horizontal size = " + e["width"]);
        EXPECT_EQ(lines[9], "   Display Vertical size = " + e["height"]);
        EXPECT_EQ(lines[10], "   Aspect ratio = " + aspect);
        EXPECT_EQ(lines[11], rate);
        EXPECT_EQ(lines[12], "   First Video PTS = 0000000000015F90");
    }
    // The 1080p fixture is exactly the default header of these tests.
    Bytes built = vc1SequenceHeader({}) + vc1EntryPoint();
    for (int i = 0; i < 4; ++i) built += vc1Frame(40);
    EXPECT_EQ(readFile(fixture("vc1_1080p.vc1")), built);
}

// Random chunks rich in start-code bytes, and every cut of a real header
// run: nothing may be read past the chunk, and a cut chunk writes the
// first lines of the whole one.
TEST(Vc1Info, RandomAndCutChunksAreReadInsideTheirBounds) {
    std::mt19937 rng(421);
    const std::uint8_t likely[] = {0x00, 0x00, 0x00, 0x01, 0x0D, 0x0F, 0xFF, 0xDB};
    for (int round = 0; round < 6000; ++round) {
        Bytes chunk(rng() % 64);
        for (auto& b : chunk)
            b = rng() % 2 ? likely[rng() % sizeof likely] : static_cast<std::uint8_t>(rng());
        for (const auto& line : analyse(chunk, rng())) ASSERT_EQ(line.rfind("   ", 0), 0u) << line;
    }
    Vc1SequenceFields wide;
    wide.aspectRatio = 15;
    wide.aspectHorizSize = 0xFF;
    Bytes run = vc1Frame(3) + vc1SequenceHeader(wide) + vc1Frame(2) + vc1SequenceHeader({}) +
                vc1Frame(1) + vc1Frame(0) + vc1Frame(0);
    Lines whole = analyse(run);
    ASSERT_EQ(whole.back(), "   First Video PTS = 0000000000015F90");
    for (std::size_t from = 0; from < 12; ++from) {
        Bytes tail(run.begin() + static_cast<long>(from), run.end());
        EXPECT_EQ(firstCutNotPrefix(VC1info, tail, 90000), std::nullopt) << from;
    }
}

// Read EVO with "Detailed info": each slot's found and First PTS lines,
// then its analyser's lines; a plain DD slot gets no analysis.
TEST(AnalyserDetails, ReadEvoLogsTheHeadersAfterEachFirstPtsLine) {
    Bytes video = vc1SequenceHeader({}) + vc1EntryPoint() + vc1Frame() + vc1Frame();
    Bytes file = pack({vc1Packet(0x55, video, 90000),
                       privateStream1(ac3Payload(0xC2, eac3Header({}) + repeat(0, 20)), 120000),
                       privateStream1(ac3Payload(0x80, ac3Header({}) + repeat(0, 20)), 180000)});
    Harness h;
    EXPECT_EQ(h.run(file),
              (Lines{"VC-1 video stream 0 found!", "   First PTS = 00015F90"}) + kHeader1080 +
                  (Lines{"   First Video PTS = 0000000000015F90", "DD+ audio stream 2 found!",
                        "   First PTS = 0001D4C0", "   Stream 2 is Dolby Digital Plus",
                        "   frame size = 1536, number of blocks per frame = 6",
                        "   bitrate = 384000, sampling rate = 48000",
                        "   mode = 3/2, bsid = 16, lfe on =1", "DD audio stream 0 found!",
                        "   First PTS = 0002BF20"}));
    // Only a slot's first chunk is shown: a second packet adds nothing.
    Bytes twice = file + pack({vc1Packet(0x55, video, 180000),
                               privateStream1(ac3Payload(0xC2, eac3Header({})), 240000)});
    EXPECT_EQ(h.run(twice).size(), 23u);
    h.ui.setTicked(Box::cbDetails, false);
    EXPECT_EQ(h.run(file), (Lines{"VC-1 video stream 0 found!", "DD+ audio stream 2 found!",
                                  "DD audio stream 0 found!"}));
}
