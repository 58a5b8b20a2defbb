// What happens to payload chunks: frame counting, the First PTS lines,
// the output files of write mode, Cancel and the fast-check limit.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "commands/cancel.h"
#include "engine/engine_run.h"
#include "support/engine_checks.h"
#include "support/engine_harness.h"
#include "support/test_sizes.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;
using Counts = std::array<std::int32_t, 2>;

// Two MPEG-2 picture start codes; the first header is that of an I picture
// (picture_coding_type 1), so the analyser of a scan reports nothing.
const Bytes kTwoPictures{0x00, 0x00, 0x01, 0x00, 0x42, 0x0F, 0x00, 0x00,
                         0x01, 0xB5, 0x00, 0x00, 0x01, 0x00};

Bytes ddPacket(std::uint8_t substream, const Bytes& data, std::uint64_t pts = 90000) {
    return privateStream1(ac3Payload(substream, data), pts);
}

Counts framesCounted(const Bytes& file) {
    Harness h;
    h.run(file);
    return h.session.table.FrameCount;
}

void tickWithOutput(Harness& h, std::initializer_list<Box> boxes) {
    for (Box box : boxes) {
        h.ui.setTicked(box, true);
        h.createOutput(box);
    }
}

// Packs of two MPEG-2 pictures and three DD packets (0x80, 0x81, 0x82) whose
// data tell the pack they came from.
Bytes audioData(int pack, int substream) {
    Bytes data(400, static_cast<std::uint8_t>(pack));
    data[0] = static_cast<std::uint8_t>(substream);
    data[1] = static_cast<std::uint8_t>(pack >> 8);
    return data;
}

Bytes numberedPacks(int count) {
    Bytes file;
    for (int i = 0; i < count; ++i)
        file += pack({videoPacket(0xE0, kTwoPictures + repeat(0x0F, 300)),
                      ddPacket(0x80, audioData(i, 0x80)), ddPacket(0x81, audioData(i, 0x81)),
                      ddPacket(0x82, audioData(i, 0x82))});
    return file;
}

Bytes audioOfPacks(int from, int to, int substream) {
    Bytes out;
    for (int i = from; i < to; ++i) out += audioData(i, substream);
    return out;
}

constexpr int kPacks = 2200;              // 4505600 bytes: one event, at 4 MiB
constexpr int kPacksBeforeEvents = 1920;  // 15 blocks examined before the event
constexpr int kPacksInBlocksRead = 2048;  // the 16th block is still examined

}  // namespace

TEST(CountFrames, CountsTheCodecsFrameStartCodes) {
    EXPECT_EQ(framesCounted(pack({videoPacket(0xE0, kTwoPictures)})), (Counts{2, 0}));
    // H.264 access unit delimiters in slot 1, VC-1 frame start codes in slot 0.
    const Bytes h264{0x00, 0x00, 0x01, 0x09, 0x10, 0x00, 0x00, 0x01, 0x09,
                     0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x0D};
    const Bytes vc1{0x00, 0x00, 0x01, 0x0D, 0x00, 0x00, 0x01, 0x0F, 0x00, 0x00, 0x01, 0x0D,
                    0x00, 0x00, 0x01, 0x0D, 0x00, 0x00, 0x01, 0x09, 0x00, 0x00, 0x01, 0x00};
    EXPECT_EQ(framesCounted(pack({videoPacket(0xE3, h264), vc1Packet(0x55, vc1)})), (Counts{3, 2}));
}

TEST(CountFrames, StartCodeCutBetweenChunksCountsOnceWhereverTheCut) {
    auto cutAfter = [](const Bytes& first, const Bytes& second) {
        return framesCounted(pack({videoPacket(0xE0, first), videoPacket(0xE0, second)}))[0];
    };
    EXPECT_EQ(cutAfter({0x42, 0x00, 0x00, 0x01}, {0x00, 0x42}), 1);
    EXPECT_EQ(cutAfter({0x42, 0x00, 0x00}, {0x01, 0x00, 0x42}), 1);
    EXPECT_EQ(cutAfter({0x42, 0x00}, {0x00, 0x01, 0x00, 0x42}), 1);
    // The same cuts at the end of a block: `before` payload bytes lie in the first.
    const Bytes payload{0x42, 0x00, 0x00, 0x01, 0x00, 0x42};
    for (std::size_t before = 0; before < payload.size(); ++before) {
        SCOPED_TRACE("payload bytes in the first block: " + std::to_string(before));
        Bytes file = fillTo({}, kBlockSize - 9 - before) + videoPacket(0xE0, payload);
        EXPECT_EQ(framesCounted(file)[0], 1);
    }
}

TEST(CountFrames, TheTailOfACodeCountsOnlyAfterItsZerosInTheSameStream) {
    auto counted = [](std::initializer_list<Bytes> packets) { return framesCounted(pack(packets)); };
    // The stream's first chunk: the zeros that would make a code are not there.
    EXPECT_EQ(counted({videoPacket(0xE0, {0x01, 0x00, 0x42})}), (Counts{0, 0}));
    EXPECT_EQ(counted({videoPacket(0xE0, {0x00, 0x01, 0x00, 0x42})}), (Counts{0, 0}));
    // After a chunk that did not end in 00 00.
    EXPECT_EQ(counted({videoPacket(0xE0, {0x00, 0x42}), videoPacket(0xE0, {0x01, 0x00})}), (Counts{0, 0}));
    EXPECT_EQ(counted({videoPacket(0xE0, {0x42}), videoPacket(0xE0, {0x00, 0x01, 0x00})}), (Counts{0, 0}));
    // The zeros at the end of another stream's chunk, or of audio, are not
    // the stream's own; its own carry over the other's packets.
    EXPECT_EQ(counted({videoPacket(0xE0, {0x42, 0x00, 0x00}), videoPacket(0xE1, {0x01, 0x00})}), (Counts{0, 0}));
    EXPECT_EQ(counted({videoPacket(0xE0, {0x42, 0x00, 0x00}), ddPacket(0x80, {0x00, 0x00}),
                       videoPacket(0xE1, {0x42, 0x42}), videoPacket(0xE0, {0x01, 0x00})}),
              (Counts{1, 0}));
    // H.264 in slot 1 the same way.
    EXPECT_EQ(counted({videoPacket(0xE3, {0x00, 0x00, 0x01}), videoPacket(0xE3, {0x09, 0x10})}), (Counts{0, 1}));
}

// Write mode counts the chunks of a ticked slot as its file holds them.
TEST(CountFrames, WriteModeCountsTheCodesOfTheFileAcrossItsChunks) {
    Bytes file = pack({videoPacket(0xE0, {0x42, 0x00, 0x00, 0x01}), videoPacket(0xE1, {0x42, 0x00}),
                       videoPacket(0xE0, {0x00, 0x42, 0x00}), videoPacket(0xE1, {0x00, 0x01, 0x00}),
                       videoPacket(0xE0, {0x00, 0x01, 0x00})});
    Harness h;
    tickWithOutput(h, {videoBox(0), videoBox(1)});
    h.run(file, RunMode::Write);
    EXPECT_EQ(h.session.table.FrameCount, (Counts{2, 1}));
    EXPECT_EQ(h.output(videoBox(0)), (Bytes{0x42, 0x00, 0x00, 0x01, 0x00, 0x42, 0x00, 0x00, 0x01, 0x00}));
}

TEST(CountFrames, NothingIsCountedWithCountFramesUnticked) {
    Bytes file = pack({videoPacket(0xE0, kTwoPictures), videoPacket(0xE1, kTwoPictures)});
    Harness scan;
    scan.ui.setTicked(Box::cbCountFr, false);
    scan.run(file);
    EXPECT_EQ(scan.session.table.FrameCount, (Counts{0, 0}));
    Harness write;
    write.ui.setTicked(Box::cbCountFr, false);
    tickWithOutput(write, {videoBox(0), videoBox(1)});
    write.run(file, RunMode::Write);
    EXPECT_EQ(write.session.table.FrameCount, (Counts{0, 0}));
    EXPECT_EQ(write.output(videoBox(0)), kTwoPictures);
}

TEST(WriteMode, UntickedVideoSlotIsNeitherWrittenNorCounted) {
    Bytes file = pack({videoPacket(0xE0, kTwoPictures), videoPacket(0xE1, kTwoPictures)}) +
                 pack({videoPacket(0xE1, kTwoPictures), videoPacket(0xE0, kTwoPictures)});
    Harness h;
    tickWithOutput(h, {videoBox(0), videoBox(1)});
    h.ui.setTicked(videoBox(1), false);
    h.run(file, RunMode::Write);
    EXPECT_EQ(h.session.table.FrameCount, (Counts{4, 0}));
    EXPECT_EQ(h.output(videoBox(0)), kTwoPictures + kTwoPictures);
    EXPECT_TRUE(h.output(videoBox(1)).empty());
}

TEST(WriteMode, PayloadsLoseTheirHeadersOnly) {
    Bytes file = pack({videoPacket(0xE0, {0x00, 0x00, 0x01, 0xB3, 0x10}, 90000, 87000),
                       privateStream1({0x80, 0x01, 0x00, 0x01, 0xD0, 0xD1}, 90000),
                       privateStream1({0x89, 0x01, 0x00, 0x01, 0xD2}),
                       privateStream1({0xC2, 0x01, 0x00, 0x01, 0xD3, 0xD4}),
                       privateStream1({0xB3, 0x01, 0x00, 0x02, 0x00, 0xD5}),
                       privateStream1({0xA4, 0x01, 0x00, 0x04, 0x00, 0x01, 0x80, 0xD6, 0xD7}),
                       privateStream1({0xCB, 0x01, 0x00, 0x01, 0xD8})});
    Harness h;
    tickWithOutput(h, {videoBox(0), audioBox(0), audioBox(1), audioBox(2), audioBox(3), audioBox(4),
                       audioBox(11)});
    h.run(file, RunMode::Write);
    EXPECT_EQ(h.output(videoBox(0)), (Bytes{0x00, 0x00, 0x01, 0xB3, 0x10}));
    EXPECT_EQ(h.output(audioBox(0)), (Bytes{0xD0, 0xD1}));  // DD: 4 header bytes
    EXPECT_EQ(h.output(audioBox(1)), (Bytes{0xD2}));        // DTS-HD: 4
    EXPECT_EQ(h.output(audioBox(2)), (Bytes{0xD3, 0xD4}));  // DD+: 4
    EXPECT_EQ(h.output(audioBox(3)), (Bytes{0xD5}));        // MLP: 5
    EXPECT_EQ(h.output(audioBox(4)), (Bytes{0xD6, 0xD7}));  // LPCM: 7
    EXPECT_EQ(h.output(audioBox(11)), (Bytes{0xD8}));
}

TEST(WriteMode, MpegAudioPayloadIsNeverWritten) {
    Pes mpegAudio;
    mpegAudio.streamId = 0xC0;
    mpegAudio.pts = 90000;
    mpegAudio.payload = {0xFF, 0xFB, 0x90, 0x00};
    Bytes file =
        pack({pesPacket(mpegAudio), ddPacket(0xC0, {0xD0})}) + pack({pesPacket(mpegAudio)});
    Harness scan;
    EXPECT_EQ(scan.run(file), (Lines{"DD+ audio stream 0 found!", "   First PTS = 00015F90"}));
    Harness write;
    tickWithOutput(write, {videoBox(0), videoBox(1)});
    for (int slot = 0; slot < 16; ++slot) tickWithOutput(write, {audioBox(slot), subBox(slot)});
    write.run(file, RunMode::Write);
    EXPECT_EQ(write.output(audioBox(0)), (Bytes{0xD0}));
    for (Box box : {videoBox(0), videoBox(1), audioBox(1), audioBox(15), subBox(0)})
        EXPECT_TRUE(write.output(box).empty()) << boxName(box);
}

TEST(ScanMode, DetailsGiveEachSlotOneFirstPtsLine) {
    Bytes file = pack({ddPacket(0xC1, {0x10}, 90000), ddPacket(0x8A, {0x11}, 180000)}) +
                 pack({ddPacket(0xC1, {0x12}, 270000), ddPacket(0x8A, {0x13}, 360000)}) +
                 pack({videoPacket(0xE1, {0x14}, 90000),  // a PTS alone leaves VideoPts at 0
                       videoPacket(0xE0, {0x15}, 120000, 117000),
                       videoPacket(0xE0, {0x16}, 240000, 237000)});
    Harness h;
    EXPECT_EQ(h.run(file), (Lines{"DD+ audio stream 1 found!", "   First PTS = 00015F90",
                                  "DTS HD audio stream 2 found!", "   First PTS = 0002BF20",
                                  "MPEG-2 video stream 1 found!", "   First PTS = 00000000",
                                  "MPEG-2 video stream 0 found!", "   First PTS = 0001D4C0"}));
    h.ui.setTicked(Box::cbDetails, false);
    EXPECT_EQ(h.run(file), (Lines{"DD+ audio stream 1 found!", "DTS HD audio stream 2 found!",
                                  "MPEG-2 video stream 1 found!", "MPEG-2 video stream 0 found!"}));
}

TEST(ScanMode, NothingIsWrittenWhateverBoxesAreTicked) {
    Bytes file = pack({videoPacket(0xE0, kTwoPictures, 90000, 87000), ddPacket(0x80, {0x01}),
                       privateStream1(lpcmPayload(0xA1, {0x02})),
                       privateStream1({0x20, 0x03}, 90000), privateStream1({0x61, 0x04})});
    Harness h;
    tickWithOutput(h, {videoBox(0), videoBox(1)});
    for (int slot = 0; slot < 16; ++slot) tickWithOutput(h, {audioBox(slot), subBox(slot)});
    EXPECT_EQ(h.run(file).size(), 9u);
    for (int slot = 0; slot < 16; ++slot) {
        EXPECT_TRUE(h.output(audioBox(slot)).empty()) << slot;
        EXPECT_TRUE(h.output(subBox(slot)).empty()) << slot;
    }
    EXPECT_TRUE(h.output(videoBox(0)).empty());
}

TEST(WriteMode, TicksAreReadAsEachChunkIsWritten) {
    Harness h;
    tickWithOutput(h, {audioBox(0), audioBox(1)});
    h.ui.setTicked(audioBox(1), false);
    // At the 4 MiB event: slot 0 is unticked, slot 1 ticked, and slot 2
    // ticked although Demux made no file for it.
    h.ui.onEvents = [&] {
        h.ui.setTicked(audioBox(0), false);
        h.ui.setTicked(audioBox(1), true);
        h.ui.setTicked(audioBox(2), true);
    };
    h.run(numberedPacks(kPacks), RunMode::Write);
    EXPECT_EQ(h.output(audioBox(0)), audioOfPacks(0, kPacksBeforeEvents, 0x80));
    EXPECT_EQ(h.output(audioBox(1)), audioOfPacks(kPacksBeforeEvents, kPacks, 0x81));
    EXPECT_EQ(filesIn(h.dir.path()),
              (std::vector<std::string>{"cbAudio00.out", "cbAudio01.out", "source.evo"}));
}

TEST(Cancel, StoppedScanEndsAfterItsBlockWithFrameCountsZeroed) {
    Harness h;
    h.ui.onEvents = [&] { bCancelClick(h.session); };
    std::string path = h.dir.write("source.evo", numberedPacks(kPacks));
    EXPECT_EQ(demuxFile(h.session, path, RunMode::Scan), static_cast<std::int64_t>(kFourMiB));
    EXPECT_EQ(h.session.table.StopFlag, 1);
    EXPECT_EQ(h.session.table.FrameCount, (Counts{0, 0}));
    EXPECT_EQ(h.session.table.FrameWindow, (std::array<std::uint32_t, 2>{kNoFrameWindow, kNoFrameWindow}));
    EXPECT_TRUE(h.ui.questions.empty());
    EXPECT_EQ(h.ui.logLines.size(), 8u);  // the found and First PTS lines stay
}

TEST(Cancel, WriteModeAsksFirstAndGoesOnWhenTheAnswerIsNo) {
    Bytes file = numberedPacks(kPacks);
    for (bool answer : {false, true}) {
        SCOPED_TRACE(answer ? "answered Yes" : "answered No");
        Harness h;
        tickWithOutput(h, {videoBox(0), audioBox(0)});
        h.ui.onEvents = [&] { bCancelClick(h.session); };
        h.ui.onConfirm = [&](const std::string&) { return answer; };
        std::string path = h.dir.write("source.evo", file);
        std::int64_t end = demuxFile(h.session, path, RunMode::Write);
        EXPECT_EQ(h.ui.questions, Lines{"Are you sure to stop demuxing?"});
        EXPECT_EQ(end, static_cast<std::int64_t>(answer ? kFourMiB : file.size()));
        EXPECT_EQ(h.session.table.StopFlag, answer ? 1 : 0);
        EXPECT_EQ(h.session.table.FrameCount, (Counts{answer ? 0 : 2 * kPacks, 0}));
        EXPECT_EQ(h.output(audioBox(0)),
                  audioOfPacks(0, answer ? kPacksInBlocksRead : kPacks, 0x80));
    }
}

TEST(FastCheck, ScanEndsAfterTheBlockEndingAtByte300154880) {
    Harness h;
    std::string path =
        h.dir.write("big.evo", pack({videoPacket(0xE0, kTwoPictures), ddPacket(0x80, {0x01})}));
    std::filesystem::resize_file(path, 310000000);  // zeros from here on: idle bytes, and sparse
    EXPECT_EQ(demuxFile(h.session, path, RunMode::Scan), 300154880);
    EXPECT_EQ(h.session.table.StopFlag, 1);
    EXPECT_EQ(h.session.table.FrameCount, (Counts{0, 0}));
    EXPECT_EQ(h.ui.logLines.size(), 4u);
    // Write mode has no such limit.
    EXPECT_EQ(demuxFile(h.session, path, RunMode::Write), 310000000);
    EXPECT_EQ(h.session.table.StopFlag, 0);
}
