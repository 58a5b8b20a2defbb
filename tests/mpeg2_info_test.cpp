// The MPEG-2 video header analyser: the sequence header lines, the
// progressive_sequence line that ends them, the pictures counted before the
// first sequence header, illegal picture types, the first video PTS, and
// cut or hostile chunks.
#include <gtest/gtest.h>

#include "analysers/analysers.h"
#include "support/fixture_files.h"
#include "support/video_headers.h"

using namespace strandex;
using namespace strandex::test;
using namespace strandex::test::mpeg2;

namespace {

using Lines = std::vector<std::string>;

Lines analyse(const Bytes& chunk, std::uint32_t pts = 0) { return analyseVideo(MPEG2info, chunk, pts); }

// A PAL sequence start: header, extension, group, I picture.
Bytes palStart(std::uint32_t bitRateValue = 1) {
    return sequenceHeader(720, 576, 2, 3, bitRateValue) + sequenceExtension(true) + groupOfPictures() +
           picture(1);
}

const Lines kPalLines{
    "   Sequence Header found",
    "   0 frames before first Sequence Header",
    "   size = 720x576",
    "   Aspect ratio = 4:3",
    "   Frame rate = 25",
    "  Sequence header bitrate = 400 bps",
    "   Progressive Sequence = 1",
};

}  // namespace

TEST(Mpeg2Info, SequenceStartGivesSizeAspectFrameRateBitRateAndProgressive) {
    EXPECT_EQ(analyse(palStart()), kPalLines);
    // The largest 18-bit value times 400 still fits in 32 bits.
    EXPECT_EQ(analyse(sequenceHeader(1920, 1080, 3, 4, 0x3FFFF) + sequenceExtension(false)),
              (Lines{"   Sequence Header found", "   0 frames before first Sequence Header",
                     "   size = 1920x1080", "   Aspect ratio = 16:9", "   Frame rate = 29.97",
                     "  Sequence header bitrate = 104857200 bps", "   Progressive Sequence = 0"}));
    EXPECT_TRUE(analyse({}).empty());
}

TEST(Mpeg2Info, EveryAspectAndFrameRateCodeHasItsLine) {
    auto tableLines = [](int aspect, int frameRate) {
        Lines lines = analyse(sequenceHeader(16, 16, aspect, frameRate, 1));
        return Lines{lines.at(3), lines.at(4)};
    };
    EXPECT_EQ(tableLines(0, 0), (Lines{"   Aspect ratio = forbidden", "   Frame rate = forbidden"}));
    EXPECT_EQ(tableLines(1, 1), (Lines{"   Aspect ratio = square samples", "   Frame rate = 23.976"}));
    EXPECT_EQ(tableLines(2, 2), (Lines{"   Aspect ratio = 4:3", "   Frame rate = 24"}));
    EXPECT_EQ(tableLines(3, 5), (Lines{"   Aspect ratio = 16:9", "   Frame rate = 30"}));
    EXPECT_EQ(tableLines(4, 6), (Lines{"   Aspect ratio = 2.21:1", "   Frame rate = 50"}));
    EXPECT_EQ(tableLines(5, 7), (Lines{"   Aspect ratio = reserved", "   Frame rate = 59.94"}));
    EXPECT_EQ(tableLines(15, 8), (Lines{"   Aspect ratio = reserved", "   Frame rate = 60"}));
    EXPECT_EQ(tableLines(9, 9), (Lines{"   Aspect ratio = reserved", "   Frame rate = reserved"}));
    EXPECT_EQ(tableLines(10, 15), (Lines{"   Aspect ratio = reserved", "   Frame rate = reserved"}));
}

TEST(Mpeg2Info, PicturesBeforeTheFirstSequenceHeaderAreCountedByTheirCodingExtensions) {
    Lines lines = analyse(picture(3) + picture(3) + palStart() + picture(2) + palStart());
    EXPECT_EQ(lines.at(1), "   2 frames before first Sequence Header");
    // A later sequence header repeats neither the found line nor the count.
    EXPECT_EQ(linesStarting(lines, "   Sequence Header found").size(), 1u);
    EXPECT_EQ(linesStarting(lines, "   size").size(), 1u);
}

TEST(Mpeg2Info, WithoutExtensionsEverySequenceHeaderIsReported) {
    // MPEG-1 syntax: pictures have no coding extension, so none is counted,
    // and nothing ends the sequence header lines or brings the PTS line.
    Bytes mpeg1 = pictureHeader(1) + slice() + sequenceHeader(352, 288, 1, 3, 1150) + groupOfPictures() +
                  pictureHeader(1) + slice() + pictureHeader(2) + slice() +
                  sequenceHeader(352, 240, 1, 4, 1150) + pictureHeader(1) + pictureHeader(3);
    EXPECT_EQ(analyse(mpeg1, 90000),
              (Lines{"   Sequence Header found", "   0 frames before first Sequence Header",
                     "   size = 352x288", "   Aspect ratio = square samples", "   Frame rate = 25",
                     "  Sequence header bitrate = 460000 bps", "   size = 352x240",
                     "   Aspect ratio = square samples", "   Frame rate = 29.97",
                     "  Sequence header bitrate = 460000 bps"}));
}

TEST(Mpeg2Info, ProgressiveLineEndsTheSequenceLinesEvenBeforeAnySequenceHeader) {
    EXPECT_EQ(analyse(sequenceExtension(false) + palStart()),
              (Lines{"   Progressive Sequence = 0", "   Sequence Header found",
                     "   0 frames before first Sequence Header"}));
    // A second sequence extension writes no second line.
    EXPECT_EQ(analyse(palStart() + sequenceExtension(false)), kPalLines);
}

TEST(Mpeg2Info, PictureTypesOtherThanIPAndBAreIllegalWhereverTheyStand) {
    // A D picture before the sequence, then every other type after it.
    Bytes chunk = pictureHeader(4) + slice() + palStart() + picture(0) + picture(2) + picture(3) +
                  picture(5) + picture(6) + picture(7);
    Lines expected{"   illegal picture_coding_type = 4"};
    expected.insert(expected.end(), kPalLines.begin(), kPalLines.end());
    expected.insert(expected.end(), {"   illegal picture_coding_type = 0", "   First Video PTS = 00000000",
                                     "   illegal picture_coding_type = 5",
                                     "   illegal picture_coding_type = 6",
                                     "   illegal picture_coding_type = 7"});
    EXPECT_EQ(analyse(chunk), expected);
}

TEST(Mpeg2Info, FirstVideoPtsComesAtByte4OfTheSecondPictureCodingExtension) {
    Bytes onePicture = palStart();
    EXPECT_EQ(analyse(onePicture, 120000), kPalLines);
    // Coding extensions before the sequence header do not count.
    Lines afterPictures = analyse(picture(1) + picture(3) + onePicture, 120000);
    EXPECT_TRUE(linesStarting(afterPictures, "   First Video").empty());

    Bytes twoPictures = onePicture + picture(3);
    Lines withPts = kPalLines;
    withPts.push_back("   First Video PTS = 0001D4C0");
    EXPECT_EQ(analyse(twoPictures + picture(3) + picture(2), 120000), withPts);
    // The second extension's bytes: 00 00 01 B5 8F FF F3 41 80, byte 4 is 0x41.
    std::size_t extensionStart = onePicture.size() + pictureHeader(3).size();
    std::size_t throughByte4 = extensionStart + 4 + 5;
    EXPECT_EQ(analyse(firstBytes(twoPictures, throughByte4), 120000), withPts);
    EXPECT_EQ(analyse(firstBytes(twoPictures, throughByte4 - 1), 120000), kPalLines);
}

TEST(Mpeg2Info, WindowStartsAsZeroBytesAtEachChunk) {
    Bytes fromCode = palStart();
    for (long cut : {1L, 2L}) {  // 00 01 B3 ... and 01 B3 ...
        EXPECT_EQ(analyse(Bytes(fromCode.begin() + cut, fromCode.end())), kPalLines) << "cut " << cut;
    }
    // 01 00 starts a picture header.
    EXPECT_EQ(analyse({0x01, 0x00, 0x00, 0x27}), (Lines{"   illegal picture_coding_type = 4"}));
    // A window built from the chunk's own bytes only: B3 alone is no start code.
    EXPECT_TRUE(analyse(Bytes(fromCode.begin() + 3, fromCode.begin() + 12)).empty());
}

TEST(Mpeg2Info, CutSequenceHeaderLeavesTheLinesOfItsEarlierBytes) {
    Bytes header = sequenceHeader(720, 576, 2, 3, 1);
    auto cutAfter = [&](std::size_t bytes) { return analyse(firstBytes(header, 4 + bytes)); };
    EXPECT_EQ(cutAfter(2).size(), 2u);  // found and frames before only
    EXPECT_EQ(cutAfter(3), (Lines(kPalLines.begin(), kPalLines.begin() + 3)));
    EXPECT_EQ(cutAfter(6), (Lines(kPalLines.begin(), kPalLines.begin() + 5)));
    EXPECT_EQ(cutAfter(7), (Lines(kPalLines.begin(), kPalLines.begin() + 6)));
}

// ffmpeg's MPEG-2 streams of the committed VOBs. Their headers as ffmpeg
// reads them (two_ac3.video.headers.txt, lpcm_ac3.video.headers.txt, from
// make-analyser-fixtures-video.sh): 720x576 and 352x288, sample aspect 1:1
// (aspect_ratio_information 1), 25/1 (frame_rate_code 3), bit_rate_value
// 262143, the value that marks a variable bit rate (ffprobe: N/A), and
// progressive_sequence 1; all picture_coding_types are 1 to 3.
TEST(Mpeg2Info, RealStreamsGiveWhatFfprobeReads) {
    auto realLines = [](const std::string& size) {
        return Lines{"   Sequence Header found",
                     "   0 frames before first Sequence Header",
                     "   size = " + size,
                     "   Aspect ratio = square samples",
                     "   Frame rate = 25",
                     "  Sequence header bitrate = 104857200 bps",
                     "   Progressive Sequence = 1",
                     "   First Video PTS = 0000BDD8"};
    };
    EXPECT_EQ(analyse(readFile(fixture("two_ac3.video.m2v")), 48600), realLines("720x576"));
    EXPECT_EQ(analyse(readFile(fixture("lpcm_ac3.video.m2v")), 48600), realLines("352x288"));
}

// Random and cut chunks: no read outside the chunk (the sanitizers watch
// the exact-size copies), and lines only of the forms above.
TEST(Mpeg2Info, RandomAndCutChunksAreReadSafely) {
    Bytes valid = pictureHeader(4) + slice() + palStart() + picture(3) + picture(2) + palStart();
    EXPECT_EQ(firstCutNotPrefix(MPEG2info, valid, 0x12345678), std::nullopt);
    const std::vector<Bytes> pieces{sequenceHeader(720, 576, 2, 3, 1), sequenceExtension(true),
                                    groupOfPictures(),  pictureHeader(1),
                                    pictureCodingExtension(), slice(), {0x00, 0x00, 0x01}};
    for (const Bytes& chunk : fuzzChunks(0x6D703267, pieces, valid)) {
        Lines lines = analyse(chunk, 0xCAFE);
        for (const auto& line : lines) {
            bool bitRate = line.rfind("  Sequence header bitrate = ", 0) == 0;
            EXPECT_TRUE(bitRate || line.rfind("   ", 0) == 0) << line;
        }
        EXPECT_LE(linesStarting(lines, "   Sequence Header found").size(), 1u);
        EXPECT_LE(linesStarting(lines, "   Progressive Sequence").size(), 1u);
        Lines pts = linesStarting(lines, "   First Video PTS");
        EXPECT_TRUE(pts.empty() || pts == Lines{"   First Video PTS = 0000CAFE"});
    }
}
