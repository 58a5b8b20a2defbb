// The pack and PES parser: packets from their bytes, slots and their
// "found!" lines, the stream-count line, blocks cutting packets, broken
// packets, and the fast walk against the plain byte step.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <random>

#include "engine/demux.h"
#include "support/engine_checks.h"
#include "support/engine_harness.h"
#include "support/fast_path_check.h"
#include "support/subpicture_header.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;
using strandex::test::operator+;  // for Bytes, beside the one for Lines

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Bytes kDdData{0x0B, 0x77, 0x3A, 0x1C};
const Bytes kVc1Frame{0x00, 0x00, 0x01, 0x0D, 0x5A};

Bytes ddPacket(std::uint8_t substream, const Bytes& data = kDdData) {
    return privateStream1(ac3Payload(substream, data), 90000);
}

// Stream map, padding or navigation packet around any payload.
Bytes skippedPacket(std::uint8_t streamId, const Bytes& payload) {
    return Bytes{0x00, 0x00, 0x01, streamId, 0x00, static_cast<std::uint8_t>(payload.size())} +
           payload;
}

// Ticks the boxes, creates their files and runs write mode.
void runWriting(Harness& h, const Bytes& file, std::initializer_list<Box> boxes) {
    for (Box box : boxes) {
        h.ui.setTicked(box, true);
        h.createOutput(box);
    }
    EXPECT_TRUE(h.run(file, RunMode::Write).empty());
}

}  // namespace

TEST(PesParser, Vc1PacketWithPtsDtsAndStreamIdExtension) {
    Bytes packet{0x00, 0x00, 0x01, 0xFD, 0x00, 0x15, 0x81, 0xC1, 0x0D, 0x31, 0x00,
                 0x05, 0xBF, 0x21, 0x11, 0x00, 0x05, 0xBF, 0x21, 0x01, 0x81, 0x55};
    packet += kVc1Frame;
    ParseTrace trace = traceBytes(packet);
    EXPECT_EQ(trace.state.VideoPts, 90000u);
    EXPECT_EQ(trace.state.VideoDts, 90000u);
    EXPECT_EQ(trace.state.Remaining, 0);
    Harness scan;
    EXPECT_EQ(scan.run(packet), (Lines{"VC-1 video stream 0 found!", "   First PTS = 00015F90"}));
    EXPECT_EQ(scan.session.table.VideoIds[0], 0x55);
    EXPECT_EQ(scan.session.table.FrameCount[0], 1);
    Harness write;
    runWriting(write, packet, {videoBox(0)});
    EXPECT_EQ(write.output(videoBox(0)), kVc1Frame);
}

TEST(PesParser, TimestampsKeepTheirLow32Bits) {
    Bytes ptsOnly{0x00, 0x00, 0x01, 0xBD, 0x00, 0x10, 0x81, 0x80, 0x05};
    EXPECT_EQ(traceBytes(ptsOnly + Bytes{0x21, 0x00, 0x05, 0xBF, 0x21}).state.PendingPts, 90000u);
    // Bit 32 sits in bit 3 of the first byte: 2F sets bits 31 and 30 and
    // its bit 32 is dropped, for a PTS alone as for a PTS with a DTS.
    EXPECT_EQ(timestamp(0x1C0000000, 2)[0], 0x2F);
    EXPECT_EQ(traceBytes(ptsOnly + timestamp(0x1C0000000, 2)).state.PendingPts, 0xC0000000u);
    ParseTrace both = traceBytes(videoPacket(0xE0, {0x00}, 0x1C0000000, 0x100015F90));
    EXPECT_EQ(both.state.VideoPts, 0xC0000000u);
    EXPECT_EQ(both.state.VideoDts, 90000u);

    Harness h;
    Bytes file = pack({videoPacket(0xE0, {0x00}, 0x1C0000000, 0x1C0000000),
                       privateStream1(subpicturePayload(0x20, {0x00}), 0x1C0000000)});
    EXPECT_EQ(h.run(file), (Lines{"MPEG-2 video stream 0 found!", "   First PTS = C0000000",
                                  "Subpicture stream 0 found!", "   First PTS = C0000000"}));
}

TEST(PesParser, PendingPtsIsTakenByTheNextSubpictureOrNewAudioSlot) {
    Harness h;
    EXPECT_EQ(
        h.run(pack({privateStream1(subpicturePayload(0x20, {0x00}), 90000),
                    privateStream1(ac3Payload(0x80, {0x01})),
                    videoPacket(0xE0, {0x00}, 180000),  // PTS alone: pending, not VideoPts
                    privateStream1(ac3Payload(0x81, {0x01})),
                    privateStream1(ac3Payload(0x82, {0x01}))})),
        (Lines{"Subpicture stream 0 found!", "   First PTS = 00015F90", "DD audio stream 0 found!",
               "   First PTS = 00000000", "MPEG-2 video stream 0 found!", "   First PTS = 00000000",
               "DD audio stream 1 found!", "   First PTS = 0002BF20", "DD audio stream 2 found!",
               "   First PTS = 00000000"}));
}

TEST(PesParser, Vc1StreamIdExtensionOtherThan55Or56IsIgnored) {
    Bytes file = pack({vc1Packet(0x57, kVc1Frame), vc1Packet(0x56, kVc1Frame, 120000)});
    Harness scan;
    EXPECT_EQ(scan.run(file), (Lines{"VC-1 video stream 1 found!", "   First PTS = 0001D4C0"}));
    EXPECT_EQ(scan.session.table.VideoIds[0], -1);
    EXPECT_EQ(scan.session.table.FrameCount, (std::array<std::int32_t, 2>{0, 1}));
    Harness write;
    runWriting(write, file, {videoBox(0), videoBox(1)});
    EXPECT_TRUE(write.output(videoBox(0)).empty());
    EXPECT_EQ(write.output(videoBox(1)), kVc1Frame);
}

TEST(PesParser, SkippedPacketsAreNotSearchedForStartCodes) {
    Bytes hidden = videoPacket(0xE0, {0x00, 0x00, 0x01, 0x00}, 90000) + ddPacket(0x80);
    Bytes file = pack({skippedPacket(0xBE, hidden), skippedPacket(0xBF, hidden),
                       skippedPacket(0xBC, hidden), ddPacket(0x81)});
    Harness h;
    EXPECT_EQ(h.run(file), (Lines{"DD audio stream 1 found!", "   First PTS = 00015F90"}));
    EXPECT_EQ(h.session.table.FrameCount[0], 0);
}

TEST(PrivateStream1, PayloadStartsAfterTheSubstreamHeaderOfItsCoding) {
    Bytes file = pack({privateStream1({0x21, 0xA1, 0xA2}),                                // 1 byte
                       privateStream1({0xA1, 0x01, 0x00, 0x04, 0x00, 0x01, 0x80, 0xB1}),  // 7
                       privateStream1({0xB2, 0x01, 0x00, 0x02, 0x00, 0xC1, 0xC2})});      // 5
    Harness scan;
    EXPECT_EQ(scan.run(file), (Lines{"Subpicture stream 1 found!", "   First PTS = 00000000",
                                     "LPCM audio stream 1 found!", "   First PTS = 00000000",
                                     "MLP audio stream 2 found!", "   First PTS = 00000000"}));
    Harness write;
    runWriting(write, file, {subBox(1), audioBox(1), audioBox(2)});
    EXPECT_EQ(write.output(subBox(1)), (Bytes{0xA1, 0xA2}));
    EXPECT_EQ(write.output(audioBox(1)), (Bytes{0xB1}));
    EXPECT_EQ(write.output(audioBox(2)), (Bytes{0xC1, 0xC2}));
}

TEST(StreamTable, SubpictureSlot31IsReportedButHasNoOutput) {
    Bytes file = pack({privateStream1(subpicturePayload(0x3F, {0x01, 0x02}), 90000)});
    Harness scan;
    EXPECT_EQ(scan.run(file), (Lines{"Subpicture stream 31 found!", "   First PTS = 00015F90"}));
    EXPECT_EQ(scan.session.table.SubpictureIds[31], 0x3F);
    Harness write;
    runWriting(write, file, {subBox(0), subBox(15)});
    EXPECT_TRUE(write.output(subBox(15)).empty());
    EXPECT_TRUE(write.output(subBox(0)).empty());
}

TEST(StreamTable, FirstIdToClaimASlotIsTheOneStoredAndReported) {
    Harness ddFirst;
    EXPECT_EQ(ddFirst.run(pack({ddPacket(0x80), ddPacket(0x88)})),
              (Lines{"DD audio stream 0 found!", "   First PTS = 00015F90"}));
    EXPECT_EQ(ddFirst.session.table.AudioIds[0], 0x80);
    Harness dtsFirst;
    EXPECT_EQ(dtsFirst.run(pack({ddPacket(0x88), ddPacket(0x80)})),
              (Lines{"DTS HD audio stream 0 found!", "   First PTS = 00015F90"}));
    EXPECT_EQ(dtsFirst.session.table.AudioIds[0], 0x88);
}

TEST(StreamTable, SecondRunReportsOnlyItsOwnStreams) {
    Harness h;
    h.run(pack({videoPacket(0xE0, {0x00}), ddPacket(0x80), ddPacket(0x81),
                privateStream1(subpicturePayload(0x20, {0x00})),
                privateStream1(subpicturePayload(0x3F, {0x00}))}));
    EXPECT_EQ(h.run(pack({ddPacket(0x82)})),
              (Lines{"DD audio stream 2 found!", "   First PTS = 00015F90"}));
    const StreamTable& t = h.session.table;
    EXPECT_EQ(t.VideoIds[0], -1);
    EXPECT_EQ(t.AudioIds[0], -1);
    EXPECT_EQ(t.AudioIds[1], -1);
    EXPECT_EQ(t.AudioIds[2], 0x82);
    EXPECT_EQ(t.SubpictureIds[0], -1);
    EXPECT_EQ(t.SubpictureIds[31], -1);
}

TEST(StreamCountLine, FromTheSystemHeaderOfAWholeFirstBlock) {
    auto fileWith = [](int audio, int video, std::size_t size) {
        return fillTo(Bytes{0x00, 0x00, 0x01, 0xBA} + packHeader() + systemHeader(audio, video) +
                          ddPacket(0x80),
                      size);
    };
    const Lines dd{"DD audio stream 0 found!", "   First PTS = 00015F90"};
    Harness h;
    EXPECT_EQ(h.run(fileWith(3, 1, 300000)),
              Lines{"It contains 1 video stream and 3 audio streams."} + dd);
    EXPECT_EQ(h.run(fileWith(1, 1, 262144)),
              Lines{"It contains 1 video stream and 1 audio stream."} + dd);
    EXPECT_EQ(h.run(fileWith(2, 2, 262144)),
              Lines{"It contains 2 video streams and 2 audio streams."} + dd);
    EXPECT_EQ(h.run(fileWith(0, 0, 262144)),
              Lines{"It contains 0 video stream and 0 audio stream."} + dd);
    EXPECT_EQ(h.run(fileWith(3, 1, 262143)), dd);
    EXPECT_TRUE(h.run(fileWith(3, 1, 262144), RunMode::Write).empty());
    // Only bytes 16 and 17 are looked at, not the zeros before them.
    Bytes noZeros = fileWith(3, 1, 262144);
    noZeros[14] = noZeros[15] = 0xFF;
    EXPECT_EQ(h.run(noZeros), Lines{"It contains 1 video stream and 3 audio streams."} + dd);
}

TEST(BlockBoundary, PacketsCutByTheEndOfABlockParseAsAWhole) {
    const Bytes vc1Payload = repeat(0x11, 20) + kVc1Frame + repeat(0x22, 8) + kVc1Frame;
    const Bytes packets = privateStream1(subpicturePayload(0x20, {0x05, 0x06}), 90000) +
                          ddPacket(0x80) + vc1Packet(0x55, vc1Payload, 120000);
    const Lines expected{"Subpicture stream 0 found!", "   First PTS = 00015F90",
                         "DD audio stream 0 found!",   "   First PTS = 00015F90",
                         "VC-1 video stream 0 found!", "   First PTS = 0001D4C0"};
    // The block ends `before` bytes into the packets: inside each start
    // code, length, header, timestamp, extension, substream header and the
    // first payload bytes.
    for (std::size_t before = 0; before <= packets.size() - vc1Payload.size() + 20; ++before) {
        SCOPED_TRACE("block ends " + std::to_string(before) + " bytes into the packets");
        Bytes file = fillTo({}, kBlockSize - before) + packets;
        Harness scan;
        EXPECT_EQ(scan.run(file), expected);
        EXPECT_EQ(scan.session.table.FrameCount[0], 2);
        Harness write;
        runWriting(write, file, {subBox(0), audioBox(0), videoBox(0)});
        EXPECT_EQ(write.output(subBox(0)), (subpictureHeader(90000) + Bytes{0x05, 0x06}));
        EXPECT_EQ(write.output(audioBox(0)), kDdData);
        EXPECT_EQ(write.output(videoBox(0)), vc1Payload);
    }
}

namespace {

struct BrokenPacket {
    const char* what;
    Bytes bytes;
    Lines lines;  // what the broken packet logs itself
};

// Each broken packet is followed by a good one, which must be found, and
// no counter may go below zero on the way.
void expectNextPacketFound(const BrokenPacket& broken) {
    SCOPED_TRACE(broken.what);
    Bytes file = broken.bytes + ddPacket(0x81);
    ParseTrace trace = traceBytes(file);
    EXPECT_FALSE(trace.stalled);
    EXPECT_GE(trace.lowestRemaining, 0);
    EXPECT_LE(trace.highestHeaderLeft, 13);
    Harness scan;
    EXPECT_EQ(scan.run(file),
              (broken.lines + Lines{"DD audio stream 1 found!", "   First PTS = 00015F90"}));
    Harness write;
    runWriting(write, file, {videoBox(0), audioBox(0), audioBox(1)});
    EXPECT_TRUE(write.output(videoBox(0)).empty());
    EXPECT_TRUE(write.output(audioBox(0)).empty());
    EXPECT_EQ(write.output(audioBox(1)), kDdData);
}

Bytes withLengths(Pes pes, std::optional<std::uint16_t> packetLength,
                  std::optional<std::uint8_t> headerLength = {}) {
    pes.packetLength = packetLength;
    pes.headerLength = headerLength;
    return pesPacket(pes);
}

const Lines kMpeg2Found{"MPEG-2 video stream 0 found!"};
Pes pes(std::uint8_t streamId, const Bytes& payload, std::optional<std::uint64_t> dts = {},
        std::optional<std::uint8_t> streamIdExtension = {}) {
    Pes p;
    p.streamId = streamId;
    p.pts = 90000;
    p.dts = dts;
    p.streamIdExtension = streamIdExtension;
    p.payload = payload;
    return p;
}

const Pes kVideoPts = pes(0xE0, {0x00, 0x00, 0x01, 0x00, 0x77});
const Pes kVideoPtsDts = pes(0xE0, {0x77}, 87000);
const Pes kVc1 = pes(0xFD, kVc1Frame, 87000, 0x55);
const Pes kDd = pes(0xBD, ac3Payload(0x80, kDdData));
const Pes kLpcm = pes(0xBD, lpcmPayload(0xA0, kDdData));

}  // namespace

TEST(BrokenPackets, LengthShorterThanTheHeaderOrZeroIsPassedOver) {
    expectNextPacketFound({"length 0", withLengths(kVideoPts, 0), kMpeg2Found});
    expectNextPacketFound({"length 2", withLengths(kVideoPts, 2), kMpeg2Found});
    expectNextPacketFound({"length ends in the PTS", withLengths(kVideoPts, 5), kMpeg2Found});
    expectNextPacketFound({"length ends in the substream header", withLengths(kDd, 3 + 5 + 2), {}});
    expectNextPacketFound({"length ends in the LPCM header",
                           withLengths(kLpcm, 3 + 5 + 5),
                           {"LPCM audio stream 0 found!"}});
}

TEST(BrokenPackets, HeaderDataLengthShorterThanItsFieldsIsPassedOver) {
    expectNextPacketFound({"PTS in 2 bytes", withLengths(kVideoPts, {}, 2), kMpeg2Found});
    expectNextPacketFound({"PTS in 0 bytes", withLengths(kVideoPts, {}, 0), kMpeg2Found});
    expectNextPacketFound(
        {"PTS and DTS in 7 bytes", withLengths(kVideoPtsDts, {}, 7), kMpeg2Found});
    expectNextPacketFound({"VC-1 extension in 11 of 13 bytes", withLengths(kVc1, {}, 11), {}});
    expectNextPacketFound({"private stream 1 PTS in 3 bytes", withLengths(kDd, {}, 3), {}});
}

TEST(BrokenPackets, StartCodeInsideAHeaderStartsTheNewPacket) {
    const Bytes video{0x00, 0x00, 0x01, 0xE0};
    const Bytes ps1{0x00, 0x00, 0x01, 0xBD, 0x00, 0x20, 0x81, 0x00, 0x00};
    const Bytes vc1{0x00, 0x00, 0x01, 0xFD, 0x00, 0x20, 0x81, 0xC1, 0x0D, 0x31, 0x00, 0x05};
    expectNextPacketFound({"in the length", video + Bytes{0x00}, kMpeg2Found});
    expectNextPacketFound({"in the fixed header", video + Bytes{0x00, 0x20}, kMpeg2Found});
    expectNextPacketFound(
        {"in the PTS", video + Bytes{0x00, 0x20, 0x81, 0x80, 0x05, 0x21}, kMpeg2Found});
    expectNextPacketFound(
        {"in the stuffing", video + Bytes{0x00, 0x20, 0x81, 0x00, 0x08, 0xFF}, kMpeg2Found});
    expectNextPacketFound({"in the VC-1 timestamps", vc1, {}});
    expectNextPacketFound({"in the substream header", ps1, {}});
    expectNextPacketFound(
        {"in the LPCM header", ps1 + Bytes{0xA2, 0x01, 0x00}, {"LPCM audio stream 2 found!"}});
}

TEST(Vc1, PacketWithoutStreamIdExtensionIsIgnored) {
    const Bytes frames{0x00, 0x00, 0x01, 0x0D, 0x00, 0x00, 0x01, 0x0D};
    Bytes file = pack({videoPacket(0xFD, frames, 90000, 87000)}) +
                 pack({vc1Packet(0x55, kVc1Frame, 120000)}) +
                 pack({videoPacket(0xFD, frames, 150000, 147000)});
    Harness scan;
    EXPECT_EQ(scan.run(file), (Lines{"VC-1 video stream 0 found!", "   First PTS = 0001D4C0"}));
    EXPECT_EQ(scan.session.table.FrameCount[0], 1);
    Harness write;
    runWriting(write, file, {videoBox(0), videoBox(1)});
    EXPECT_EQ(write.output(videoBox(0)), kVc1Frame);
    EXPECT_TRUE(write.output(videoBox(1)).empty());
    EXPECT_EQ(write.session.table.FrameCount[0], 1);
}

TEST(SharedSlots, OnlyTheRegisteredIdIsCountedDetailedAndWritten) {
    // AC-3 and LPCM numbered from 0 both map to audio slot 0.
    Bytes audio = pack({ddPacket(0x80, {0xD1}), privateStream1(lpcmPayload(0xA0, {0xE1}), 180000),
                        ddPacket(0x80, {0xD2})});
    Harness audioScan;
    EXPECT_EQ(audioScan.run(audio), (Lines{"DD audio stream 0 found!", "   First PTS = 00015F90"}));
    Harness audioWrite;
    runWriting(audioWrite, audio, {audioBox(0)});
    EXPECT_EQ(audioWrite.output(audioBox(0)), (Bytes{0xD1, 0xD2}));

    // MPEG-2 0xE0 and H.264 0xE2 both map to video slot 0.
    const Bytes pictures{0x00, 0x00, 0x01, 0x00, 0x00, 0x0F, 0x00, 0x00, 0x01, 0x00};  // I pictures
    const Bytes units{0x00, 0x00, 0x01, 0x09, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x09};
    Bytes video = pack({videoPacket(0xE0, pictures, 120000, 117000),
                        videoPacket(0xE2, units, 90000, 87000), videoPacket(0xE0, pictures)});
    Harness videoScan;
    EXPECT_EQ(videoScan.run(video),
              (Lines{"MPEG-2 video stream 0 found!", "   First PTS = 0001D4C0"}));
    EXPECT_EQ(videoScan.session.table.FrameCount[0], 4);
    Harness videoWrite;
    runWriting(videoWrite, video, {videoBox(0)});
    EXPECT_EQ(videoWrite.output(videoBox(0)), pictures + pictures);
    EXPECT_EQ(videoWrite.session.table.FrameCount[0], 4);

    // Subpictures 0x20 and extended subpictures 0x60 share slot 0.
    Bytes sub = pack({privateStream1({0x20, 0xA1}, 90000), privateStream1({0x60, 0xB1}, 180000),
                      privateStream1({0x20, 0xA2})});
    Harness subScan;
    EXPECT_EQ(subScan.run(sub), (Lines{"Subpicture stream 0 found!", "   First PTS = 00015F90"}));
    Harness subWrite;
    runWriting(subWrite, sub, {subBox(0)});
    EXPECT_EQ(subWrite.output(subBox(0)), (subpictureHeader(90000) + Bytes{0xA1, 0xA2}));
    Harness extendedFirst;
    EXPECT_EQ(extendedFirst.run(pack({privateStream1({0x60, 0xB1}), privateStream1({0x20, 0xA1})})),
              Lines{"Extended subpicture stream 0 found!"});
}

TEST(SharedSlots, UnrecognisedSubstreamIdsAreIgnored) {
    Bytes file;
    for (std::uint8_t id : {0x00, 0x05, 0x0F, 0x90, 0xFF}) file += pack({ddPacket(id, {id})});
    file += pack({privateStream1(lpcmPayload(0xA0, {0xAA}), 90000), ddPacket(0xA8, {0xA8})});
    Harness scan;
    EXPECT_EQ(scan.run(file), (Lines{"LPCM audio stream 0 found!", "   First PTS = 00015F90"}));
    Harness write;
    for (int slot = 0; slot < 16; ++slot) {
        write.ui.setTicked(audioBox(slot), true);
        write.createOutput(audioBox(slot));
    }
    write.run(file, RunMode::Write);
    EXPECT_EQ(write.output(audioBox(0)), (Bytes{0xAA}));
    for (int slot = 1; slot < 16; ++slot)
        EXPECT_TRUE(write.output(audioBox(slot)).empty()) << "audio slot " << slot;
}

TEST(EngineRun, EmptyFileIsNeverReadAndLogsNothing) {
    CancelRecorder ui;
    int events = 0;
    ui.onEvents = [&] { ++events; };
    Session session{ui};
    TempDir dir;
    EXPECT_EQ(demuxFile(session, dir.write("empty.evo", {}), RunMode::Scan), 0);
    EXPECT_TRUE(ui.logLines.empty());
    EXPECT_EQ(ui.cancelStates, (std::vector<bool>{true, false}));
    EXPECT_FALSE(ui.enabled(Button::bCancel));
    EXPECT_EQ(events, 0);
    EXPECT_EQ(session.table.StopFlag, 0);
}

namespace {

// Bytes in which packet structure is common: runs of start code, header
// and substream bytes, whole packets and packets cut short, among noise.
Bytes packetSoup(std::size_t size, std::uint32_t seed) {
    static constexpr std::uint8_t kParts[] = {0x00, 0x00, 0x00, 0x01, 0x01, 0xBD, 0xBE, 0xBF, 0xBC,
                                              0xE0, 0xE1, 0xE2, 0xE3, 0xFD, 0xC0, 0x80, 0x81, 0xC1,
                                              0x0D, 0x09, 0x55, 0x56, 0x20, 0x3F, 0x60, 0x88, 0xA0,
                                              0xA8, 0xB0, 0xC8, 0x10, 0x05, 0xFF};
    std::mt19937 rng(seed);
    auto below = [&](std::uint32_t n) { return static_cast<std::uint32_t>(rng() % n); };
    Bytes out;
    while (out.size() < size) {
        Bytes payload = randomBytes(below(300), rng()) +
                        Bytes{0x00, 0x00, 0x01, kParts[below(sizeof kParts)]} +
                        randomBytes(below(30), rng());
        Bytes packets[] = {
            videoPacket(static_cast<std::uint8_t>(0xE0 + below(4)), payload, 90000, 87000),
            vc1Packet(static_cast<std::uint8_t>(0x55 + below(3)), payload),
            privateStream1(ac3Payload(kParts[below(sizeof kParts)], payload), below(2) * 90000),
            privateStream1(lpcmPayload(static_cast<std::uint8_t>(0xA0 + below(9)), payload)),
            privateStream1(subpicturePayload(static_cast<std::uint8_t>(0x20 + below(96)), payload),
                           90000),
            paddingPacket(6 + payload.size())};
        Bytes& packet = packets[below(6)];
        switch (below(4)) {
            case 0: out += randomBytes(below(200), rng()); break;
            case 1:
                for (auto n = below(64); n > 0; --n) out.push_back(kParts[below(sizeof kParts)]);
                break;
            case 2: out += packet; break;
            default: packet.resize(below(static_cast<std::uint32_t>(packet.size()))); out += packet;
        }
    }
    out.resize(size);
    return out;
}

}  // namespace

TEST(RandomInput, NoiseIsPassedOverWithoutWritingAnythingElse) {
    Bytes noise = randomBytes(4 * 1048576 + 300000, 20240611);
    runEngine(noise, RunMode::Scan, false, Outputs::Always);
    runEngine(noise, RunMode::Write, false);
}

TEST(RandomInput, FastWalkEqualsTheByteStepOnPacketSoup) {
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE("packet soup " + std::to_string(seed));
        Bytes soup = packetSoup(400000, seed);
        expectFastEqualsPlain(soup, RunMode::Scan, Outputs::Always);
        expectFastEqualsPlain(soup, RunMode::Write);
    }
}
