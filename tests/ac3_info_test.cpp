// The AC-3 / E-AC-3 header analyser: the lines of each coding, the byte
// window and countdown quirks, rejected headers, ffmpeg's own streams, and
// random or cut chunks that must never be read past their end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "analysers/analysers.h"
#include "engine/stream_table.h"
#include "support/ac3_vc1_headers.h"
#include "support/analyser_lines.h"
#include "support/fixture_files.h"
#include "support/probe_report.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

const Ac3Tables& engineTables() {
    static StreamTable table;
    static const Ac3Tables tables = [] {
        resetForRun(table);
        return Ac3Tables{table.AC3SampleRates, table.AC3BitRates};
    }();
    return tables;
}

Lines analyse(const Bytes& chunk, int slot = 0) {
    return analyserLines(
        [slot](const std::uint8_t* data, std::size_t n, LineSink& out) { AC3info(data, n, slot, engineTables(), out); },
        chunk);
}

Lines ddPlusLines(int frameSize, int blocks, int bitRate, int sampleRate, const std::string& mode,
                  int bsid, int lfe, int slot = 0) {
    return {"   Stream " + std::to_string(slot) + " is Dolby Digital Plus",
            "   frame size = " + std::to_string(frameSize) +
                ", number of blocks per frame = " + std::to_string(blocks),
            "   bitrate = " + std::to_string(bitRate) +
                ", sampling rate = " + std::to_string(sampleRate),
            "   mode = " + mode + ", bsid = " + std::to_string(bsid) +
                ", lfe on =" + std::to_string(lfe)};
}

Lines ddLines(int bitRate, int sampleRate, const std::string& mode, int bsid, int bsmod,
              int slot = 0) {
    return {"   Stream " + std::to_string(slot) + " is Dolby Digital",
            "   bitrate = " + std::to_string(bitRate) +
                ", sampling rate = " + std::to_string(sampleRate),
            "   mode = " + mode + ", bsid = " + std::to_string(bsid) +
                ", bsmod =" + std::to_string(bsmod)};
}

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(Ac3Info, EnhancedHeaderGivesFrameSizeBlocksAndRates) {
    EXPECT_EQ(analyse(eac3Header({.frmsiz = 767, .fscod = 0, .numblkscod = 3, .acmod = 7,
                                  .lfeon = 1, .bsid = 16})),
              (Lines{"   Stream 0 is Dolby Digital Plus",
                     "   frame size = 1536, number of blocks per frame = 6",
                     "   bitrate = 384000, sampling rate = 48000",
                     "   mode = 3/2, bsid = 16, lfe on =1"}));
    // The bit rate is that of 48 kHz frames whatever fscod says.
    EXPECT_EQ(analyse(eac3Header({.frmsiz = 0, .fscod = 2, .numblkscod = 0, .acmod = 0,
                                  .lfeon = 0, .bsid = 11}),
                      15),
              ddPlusLines(2, 1, 3000, 32000, "1+1", 11, 0, 15));
    EXPECT_EQ(analyse(eac3Header({.frmsiz = 2047, .fscod = 1, .numblkscod = 2, .acmod = 2,
                                  .lfeon = 0, .bsid = 16})),
              ddPlusLines(4096, 3, 2048000, 44100, "2/0", 16, 0));
    EXPECT_EQ(analyse(eac3Header({.frmsiz = 191, .fscod = 0, .numblkscod = 1, .acmod = 1,
                                  .lfeon = 1, .bsid = 15})),
              ddPlusLines(384, 2, 288000, 48000, "1/0", 15, 1));
}

TEST(Ac3Info, PlainHeaderGivesTableBitRateAndTheModeOfByte6) {
    EXPECT_EQ(analyse(ac3Header({.fscod = 0, .frmsizecod = 30, .bsid = 8, .bsmod = 0, .acmod = 7})),
              (Lines{"   Stream 0 is Dolby Digital", "   bitrate = 448000, sampling rate = 48000",
                     "   mode = 3/2, bsid = 8, bsmod =0"}));
    // Code 28 is 384 kbit/s in the table. Its byte 4 holds 110 where
    // E-AC-3 has acmod: the mode must come from byte 6.
    EXPECT_EQ(analyse(ac3Header({.fscod = 0, .frmsizecod = 28, .bsid = 8, .bsmod = 0, .acmod = 7})),
              ddLines(384000, 48000, "3/2", 8, 0));
    EXPECT_EQ(analyse(ac3Header({.fscod = 1, .frmsizecod = 1, .bsid = 6, .bsmod = 7, .acmod = 0}),
                      3),
              ddLines(32000, 44100, "1+1", 6, 7, 3));
    EXPECT_EQ(analyse(ac3Header({.fscod = 2, .frmsizecod = 37, .bsid = 0, .bsmod = 2, .acmod = 4})),
              ddLines(640000, 32000, "2/1", 0, 2));
}

TEST(Ac3Info, BsidElevenToSixteenIsEnhanced) {
    for (int bsid = 0; bsid < 32; ++bsid) {
        SCOPED_TRACE("bsid " + std::to_string(bsid));
        Lines lines = analyse(eac3Header({.bsid = bsid}));
        ASSERT_FALSE(lines.empty());
        bool enhanced = bsid > 10 && bsid <= 16;
        EXPECT_EQ(lines[0], enhanced ? "   Stream 0 is Dolby Digital Plus"
                                     : "   Stream 0 is Dolby Digital");
        EXPECT_EQ(lines.size(), enhanced ? 4u : 3u);
    }
}

TEST(Ac3Info, WindowStartsEmptyForEachChunk) {
    Bytes header = eac3Header({});
    // Without its 0x0B the sync word is not complete.
    EXPECT_EQ(analyse(Bytes(header.begin() + 1, header.end())), Lines{});
    EXPECT_EQ(analyse(Bytes{0x00, 0x00, 0x0B} + Bytes(header.begin() + 1, header.end())),
              ddPlusLines(1536, 6, 384000, 48000, "3/2", 16, 1));
    EXPECT_EQ(analyse({}), Lines{});
    LineList out;
    AC3info(nullptr, 0, 0, engineTables(), out);
    EXPECT_TRUE(out.lines.empty());
}

TEST(Ac3Info, SyncWordInsideAHeaderIsSkippedAndShiftsTheFields) {
    // 0B 77 | 0B (byte 2) 77 (skipped) FF (byte 3) 3F 87 00: frmsiz 0x3FF.
    EXPECT_EQ(analyse({0x0B, 0x77, 0x0B, 0x77, 0xFF, 0x3F, 0x87, 0x00}),
              ddPlusLines(2048, 6, 512000, 48000, "3/2", 16, 1));
    // In AC-3: byte 5 is 0B (bsid 1, bsmod 3), the 77 after it is skipped
    // and E0 is byte 6 (acmod 7).
    EXPECT_EQ(analyse({0x0B, 0x77, 0x12, 0x34, 0x1C, 0x0B, 0x77, 0xE0}),
              ddLines(384000, 48000, "3/2", 1, 3));
}

TEST(Ac3Info, AnAcceptedHeaderIsTheOnlyReport) {
    EXPECT_EQ(analyse(eac3Header({}) + ac3Header({}) + eac3Header({.bsid = 11})),
              ddPlusLines(1536, 6, 384000, 48000, "3/2", 16, 1));
    EXPECT_EQ(analyse(ac3Header({}) + eac3Header({})), ddLines(448000, 48000, "3/2", 8, 0));
}

TEST(Ac3Info, ReservedSampleRateRejectsAndTheNextHeaderIsReported) {
    Lines next = ddPlusLines(384, 2, 288000, 48000, "1/0", 15, 1);
    Bytes nextHeader = eac3Header({.frmsiz = 191, .numblkscod = 1, .acmod = 1, .bsid = 15});
    // fscod 3: the bit rate stays the AC-3 table's value for bits 5-1 of
    // byte 4 (here 0x0E >> 1 = 7, 112000).
    EXPECT_EQ(analyse(eac3Header({.fscod = 3, .numblkscod = 0, .acmod = 7, .lfeon = 0}) +
                      nextHeader),
              ddPlusLines(1536, 1, 112000, 0, "3/2", 16, 0) + next);
    // Byte 4 FF gives index 31, past the 19 table entries: bit rate 0.
    EXPECT_EQ(analyse(eac3Header({.fscod = 3, .numblkscod = 3}) + nextHeader),
              ddPlusLines(1536, 6, 0, 0, "3/2", 16, 1) + next);
    EXPECT_EQ(analyse(ac3Header({.fscod = 3, .frmsizecod = 12}) + nextHeader),
              ddLines(96000, 0, "3/2", 8, 0) + next);
}

TEST(Ac3Info, FrameSizeCodesPastTheTableGiveBitRateZeroAndReject) {
    Bytes next = ac3Header({.frmsizecod = 2, .acmod = 2});
    Lines nextLines = ddLines(40000, 48000, "2/0", 8, 0);
    for (int code : {38, 39, 50, 63}) {
        SCOPED_TRACE("frmsizecod " + std::to_string(code));
        EXPECT_EQ(analyse(ac3Header({.frmsizecod = code}) + next),
                  ddLines(0, 48000, "3/2", 8, 0) + nextLines);
    }
    // 36 and 37 are the last table entry, 640 kbit/s, and are accepted.
    EXPECT_EQ(analyse(ac3Header({.frmsizecod = 37}) + next), ddLines(640000, 48000, "3/2", 8, 0));
}

TEST(Ac3Info, CutHeaderLogsNothing) {
    for (Bytes header : {eac3Header({}), ac3Header({})}) {
        for (std::size_t n = 0; n < header.size(); ++n)
            EXPECT_EQ(analyse(Bytes(header.begin(), header.begin() + static_cast<long>(n))),
                      Lines{})
                << n << " bytes";
        EXPECT_FALSE(analyse(header).empty());
    }
}

// ffmpeg's encoders write bsid 16 for E-AC-3 and bsid 8, bsmod 0 for
// AC-3; the rest of each line is what ffprobe reports for the stream.
TEST(Ac3Info, FfmpegStreamsGiveWhatFfprobeReports) {
    auto entries = readProbeReport(fixture("ac3_eac3.probe.txt"));
    ASSERT_EQ(entries.size(), 4u);
    for (auto& e : entries) {
        SCOPED_TRACE(e["file"]);
        bool fiveOne = e["channel_layout"] == "5.1(side)";
        ASSERT_TRUE(fiveOne || e["channel_layout"] == "stereo");
        std::string mode = fiveOne ? "3/2" : "2/0";
        int sampleRate = std::stoi(e["sample_rate"]);
        int bitRate = std::stoi(e["bit_rate"]);
        Lines want;
        if (e["codec_name"] == "eac3") {
            // Blocks of 256 samples in the first frame.
            double samples = std::stod(e["duration_time"]) * sampleRate;
            int blocks = static_cast<int>(std::lround(samples / 256));
            want = ddPlusLines(std::stoi(e["size"]), blocks, bitRate, sampleRate, mode, 16,
                               fiveOne, 2);
        } else {
            ASSERT_EQ(e["codec_name"], "ac3");
            want = ddLines(bitRate, sampleRate, mode, 8, 0, 2);
        }
        EXPECT_EQ(analyse(readFile(fixture(e["file"])), 2), want);
    }
}

// Random chunks rich in sync bytes, and every cut of headers that follow
// each other: nothing may be read past the chunk, every line is indented.
TEST(Ac3Info, RandomAndCutChunksAreReadInsideTheirBounds) {
    std::mt19937 rng(2105);
    const std::uint8_t likely[] = {0x0B, 0x77, 0x00, 0xFF, 0x3F, 0x87, 0xC0, 0x40};
    auto check = [](const Bytes& chunk) {
        for (const auto& line : analyse(chunk, static_cast<int>(chunk.size() % 16)))
            ASSERT_EQ(line.rfind("   ", 0), 0u) << line;
    };
    for (int round = 0; round < 6000; ++round) {
        Bytes chunk(rng() % 48);
        for (auto& b : chunk)
            b = rng() % 2 ? likely[rng() % sizeof likely] : static_cast<std::uint8_t>(rng());
        check(chunk);
    }
    Bytes stream = eac3Header({.fscod = 3}) + ac3Header({.frmsizecod = 63}) +
                   Bytes{0x0B, 0x77, 0x0B, 0x77} + ac3Header({.fscod = 3}) + eac3Header({}) +
                   readFile(fixture("ac3_51.ac3"));
    stream.resize(200);
    for (std::size_t from = 0; from < 40; ++from)
        for (std::size_t to = from; to <= stream.size(); ++to)
            check(Bytes(stream.begin() + static_cast<long>(from),
                        stream.begin() + static_cast<long>(to)));
}
