// The H.264 header analyser: access units before the first I delimiter,
// profile and level of the first SPS, the first video PTS, real libx264
// streams, the video analysers inside a Read EVO scan, and cut or hostile
// chunks.
#include <gtest/gtest.h>

#include "analysers/analysers.h"
#include "cli/memory_front_end.h"
#include "commands/read_evo.h"
#include "commands/source_selection.h"
#include "support/engine_checks.h"
#include "support/engine_harness.h"
#include "support/fixture_files.h"
#include "support/video_headers.h"

using namespace strandex;
using namespace strandex::test;
using namespace strandex::test::h264;

namespace {

using Lines = std::vector<std::string>;

Lines analyse(const Bytes& chunk, std::uint32_t pts = 0) { return analyseVideo(H264info, chunk, pts); }

Bytes highProfileSps(int levelIdc = 41) { return sps(0x67, 100, 0x00, levelIdc); }

// An I access unit as libx264 starts a stream: delimiter, SPS, PPS, slice.
Bytes iAccessUnit(Bytes spsBytes = highProfileSps()) {
    return delimiter(0) + spsBytes + pps() + idrSlice();
}

// The profile and level lines of a chunk holding one SPS.
Lines spsLines(std::uint8_t nalHeader, int profileIdc, std::uint8_t constraintFlags, int levelIdc) {
    return analyse(sps(nalHeader, profileIdc, constraintFlags, levelIdc));
}

}  // namespace

TEST(H264Info, IAccessUnitGivesCountProfileLevelThenPtsAtTheNextDelimiter) {
    EXPECT_EQ(analyse(iAccessUnit() + delimiter(1) + idrSlice() + delimiter(2), 90000),
              (Lines{"   0 frames before first I-frame", "   High Profile", "   Level = 41",
                     "   First Video PTS = 00015F90"}));
    // 00 00 00 01 09 10 alone: primary_pic_type 0, nothing after it.
    EXPECT_EQ(analyse({0x00, 0x00, 0x00, 0x01, 0x09, 0x10}), (Lines{"   0 frames before first I-frame"}));
    EXPECT_TRUE(analyse({}).empty());
}

TEST(H264Info, DelimitersBeforeTheFirstIDelimiterAreCounted) {
    Bytes chunk = delimiter(1) + idrSlice() + delimiter(1) + iAccessUnit() + delimiter(0);
    EXPECT_EQ(analyse(chunk, 0xABC),
              (Lines{"   2 frames before first I-frame", "   High Profile", "   Level = 41",
                     "   First Video PTS = 00000ABC"}));
    // Without an I delimiter: neither the count nor the PTS, the SPS still.
    EXPECT_EQ(analyse(delimiter(1) + highProfileSps() + delimiter(2) + delimiter(7)),
              (Lines{"   High Profile", "   Level = 41"}));
}

TEST(H264Info, LevelIsTensThenUnitsAnd1bIsLevel11WithConstraintSet3) {
    EXPECT_EQ(spsLines(0x67, 66, 0xD0, 11), (Lines{"   Baseline Profile", "   Level = 1b"}));
    EXPECT_EQ(spsLines(0x67, 66, 0xC0, 11), (Lines{"   Baseline Profile", "   Level = 11"}));
    EXPECT_EQ(spsLines(0x67, 100, 0x00, 9), (Lines{"   High Profile", "   Level = 09"}));
    // constraint_set3_flag only matters at level_idc 11.
    EXPECT_EQ(spsLines(0x67, 77, 0x10, 31), (Lines{"   Main Profile", "   Level = 31"}));
    EXPECT_EQ(spsLines(0x67, 100, 0x00, 0), (Lines{"   High Profile", "   Level = 00"}));
    EXPECT_EQ(spsLines(0x67, 100, 0x00, 255), (Lines{"   High Profile", "   Level = 255"}));
}

TEST(H264Info, EveryProfileOfTheTableHasItsLine) {
    auto profile = [](int idc) { return spsLines(0x67, idc, 0x00, 40).at(0); };
    EXPECT_EQ(profile(66), "   Baseline Profile");
    EXPECT_EQ(profile(77), "   Main Profile");
    EXPECT_EQ(profile(88), "   Extended Profile");
    EXPECT_EQ(profile(100), "   High Profile");
    EXPECT_EQ(profile(110), "   High 10 Profile");
    EXPECT_EQ(profile(122), "   High 4:2:2 Profile");
    EXPECT_EQ(profile(144), "   High 4:4:4 Profile");
    EXPECT_EQ(profile(0), "   Unknown Profile");
    EXPECT_EQ(profile(244), "   Unknown Profile");
}

TEST(H264Info, OnlyTheFirstSpsWithNalRefIdc1Or3IsShown) {
    EXPECT_EQ(analyse(sps(0x27, 77, 0x40, 30) + highProfileSps()),
              (Lines{"   Main Profile", "   Level = 30"}));
    // nal_ref_idc 2 (header byte 47) is not looked for.
    EXPECT_TRUE(analyse(sps(0x47, 100, 0x00, 41)).empty());
    EXPECT_EQ(analyse(sps(0x47, 100, 0x00, 41) + sps(0x67, 66, 0xD0, 11)),
              (Lines{"   Baseline Profile", "   Level = 1b"}));
}

TEST(H264Info, WindowStartsAsZeroBytesAtEachChunk) {
    Bytes unit = iAccessUnit();
    // 01 09 10 ... and 00 01 09 10 ...: the zero bytes of the start code are implied.
    for (long cut : {3L, 2L}) {
        EXPECT_EQ(analyse(Bytes(unit.begin() + cut, unit.end())),
                  (Lines{"   0 frames before first I-frame", "   High Profile", "   Level = 41"}))
            << "cut " << cut;
    }
    // 09 10 alone is no delimiter; 01 67 is an SPS.
    EXPECT_EQ(analyse(Bytes(unit.begin() + 4, unit.end())), (Lines{"   High Profile", "   Level = 41"}));
    EXPECT_EQ(analyse({0x01, 0x67, 0x58, 0x00, 0x1E}), (Lines{"   Extended Profile", "   Level = 30"}));
}

TEST(H264Info, CutSpsLeavesTheLinesOfItsEarlierBytes) {
    Bytes spsBytes = highProfileSps();
    auto cutAfter = [&](std::size_t bytes) { return analyse(firstBytes(spsBytes, 5 + bytes)); };
    EXPECT_TRUE(cutAfter(0).empty());
    EXPECT_EQ(cutAfter(1), (Lines{"   High Profile"}));
    EXPECT_EQ(cutAfter(2), (Lines{"   High Profile"}));
    EXPECT_EQ(cutAfter(3), (Lines{"   High Profile", "   Level = 41"}));
}

// libx264 streams with access unit delimiters (make-analyser-fixtures-video.sh).
// Their h264_*.probe.txt has ffprobe's profile and level and ffmpeg's
// reading of the first SPS and of every delimiter: the first delimiter has
// primary_pic_type 0, so 0 frames come before the I-frame; High 41 is
// profile_idc 100, level_idc 41; Baseline 1b is profile_idc 66 (ffprobe:
// Constrained Baseline) with level_idc 11 and constraint_set3_flag 1; High
// 1b is profile_idc 100 with level_idc 9. Ten delimiters: the PTS line
// comes at the second.
TEST(H264Info, LibX264StreamsGiveWhatFfprobeReads) {
    auto lines = [](const std::string& profile, const std::string& level) {
        return Lines{"   0 frames before first I-frame", "   " + profile + " Profile", "   Level = " + level,
                     "   First Video PTS = 0000CBE8"};
    };
    EXPECT_EQ(analyse(readFile(fixture("h264_high41.video.h264")), 52200), lines("High", "41"));
    EXPECT_EQ(analyse(readFile(fixture("h264_baseline1b.video.h264")), 52200), lines("Baseline", "1b"));
    EXPECT_EQ(analyse(readFile(fixture("h264_high1b.video.h264")), 52200), lines("High", "09"));
}

// Read EVO over the same High 4.1 stream in ffmpeg's DVD program stream
// (stream id 0xE2, h264_high41.probe.txt): the first packet has PTS 52200
// (0000CBE8) and DTS 45000; its payload, the first chunk, holds the first
// delimiter and SPS but not the second delimiter (the first access unit is
// bigger than a pack), so there is no PTS line. ffprobe counts 10 frames.
TEST(H264Info, ReadEvoOfADvdProgramStreamShowsTheHeaderOfItsFirstChunk) {
    MemoryFrontEnd ui;
    Session session{ui};
    ui.setText(Edit::eEVOfile, fixture("h264_high41.vob"));
    DialogPresets dialogs;
    EVOadj(session, dialogs);
    ui.logLines.clear();
    bCheckClick(session);
    EXPECT_EQ(ui.logLines, (Lines{
                               "Opening file h264_high41.vob",
                               "File size: 0 Mbytes.",
                               "H.264 video stream 0 found!",
                               "   First PTS = 0000CBE8",
                               "   0 frames before first I-frame",
                               "   High Profile",
                               "   Level = 41",
                               "Done.",
                               "10 frames (0:00:00 s) count in video stream 0.",
                           }));
}

// Both video analysers inside the engine's scan: each slot's lines follow
// its found and First PTS lines, once per slot and run, only while
// "Detailed info" is ticked.
TEST(VideoDetails, ScanLogsEachVideoSlotsAnalyserLinesAfterItsFirstPts) {
    using namespace strandex::test::mpeg2;
    Bytes avc = iAccessUnit(sps(0x67, 77, 0x40, 30)) + delimiter(1) + idrSlice();
    Bytes m2v = sequenceHeader(720, 576, 2, 3, 1) + sequenceExtension(true) + groupOfPictures() + picture(1) +
                picture(3);
    Bytes file = pack({videoPacket(0xE2, avc, 90000, 87000), videoPacket(0xE1, m2v, 120000, 117000)}) +
                 pack({videoPacket(0xE2, avc, 93600, 90600), videoPacket(0xE1, m2v, 123600, 120600)});
    Harness h;
    EXPECT_EQ(h.run(file), (Lines{"H.264 video stream 0 found!",
                                  "   First PTS = 00015F90",
                                  "   0 frames before first I-frame",
                                  "   Main Profile",
                                  "   Level = 30",
                                  "   First Video PTS = 00015F90",
                                  "MPEG-2 video stream 1 found!",
                                  "   First PTS = 0001D4C0",
                                  "   Sequence Header found",
                                  "   0 frames before first Sequence Header",
                                  "   size = 720x576",
                                  "   Aspect ratio = 4:3",
                                  "   Frame rate = 25",
                                  "  Sequence header bitrate = 400 bps",
                                  "   Progressive Sequence = 1",
                                  "   First Video PTS = 0001D4C0"}));
    h.ui.setTicked(Box::cbDetails, false);
    EXPECT_EQ(h.run(file), (Lines{"H.264 video stream 0 found!", "MPEG-2 video stream 1 found!"}));
}

// Random and cut chunks: no read outside the chunk (the sanitizers watch
// the exact-size copies), and lines only of the forms above.
TEST(H264Info, RandomAndCutChunksAreReadSafely) {
    Bytes valid = delimiter(2) + iAccessUnit() + delimiter(1) + idrSlice() + delimiter(0) + iAccessUnit();
    EXPECT_EQ(firstCutNotPrefix(H264info, valid, 0x12345678), std::nullopt);
    const std::vector<Bytes> pieces{delimiter(0), delimiter(1), highProfileSps(), sps(0x27, 66, 0xD0, 11),
                                    sps(0x47, 77, 0, 30), pps(), idrSlice(), {0x00, 0x00, 0x01}};
    for (const Bytes& chunk : fuzzChunks(0x68323634, pieces, valid)) {
        Lines lines = analyse(chunk, 0xCAFE);
        for (const auto& line : lines) EXPECT_EQ(line.rfind("   ", 0), 0u) << line;
        EXPECT_LE(linesStarting(lines, "   Level = ").size(), 1u);
        Lines pts = linesStarting(lines, "   First Video PTS");
        EXPECT_TRUE(pts.empty() || pts == Lines{"   First Video PTS = 0000CAFE"});
    }
}
