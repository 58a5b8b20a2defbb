// The transport stream reader of the test packer: the PAT and PMT give the
// streams in the PMT's order; each PES comes back whole with its PTS and
// DTS, however it was cut into 188-byte packets, and only its PID's bytes.
#include <gtest/gtest.h>

#include "support/pack_builder.h"
#include "support/ts_reader.h"

using namespace strandex::test;

namespace {

constexpr std::uint16_t kPmtPid = 0x1000;

// One 188-byte packet; what the payload leaves free becomes adaptation
// field stuffing, as a muxer does for the last packet of a PES.
Bytes tsPacket(std::uint16_t pid, bool unitStart, const Bytes& payload) {
    Bytes p{0x47, static_cast<std::uint8_t>((unitStart ? 0x40 : 0) | (pid >> 8)), static_cast<std::uint8_t>(pid)};
    std::size_t free = 184 - payload.size();
    if (free == 0) return p + Bytes{0x10} + payload;
    Bytes adaptation{static_cast<std::uint8_t>(free - 1)};
    if (free > 1) adaptation += Bytes{0x00} + repeat(0xFF, free - 2);
    return p + Bytes{0x30} + adaptation + payload;
}

// A PSI section in one packet: pointer field, the header up to the
// section number, the body and a CRC left zero (the reader does not check it).
Bytes section(std::uint16_t pid, std::uint8_t tableId, const Bytes& body) {
    std::size_t length = 5 + body.size() + 4;
    Bytes s{0x00, tableId, static_cast<std::uint8_t>(0xB0 | (length >> 8)), static_cast<std::uint8_t>(length),
            0x00, 0x01, 0xC1, 0x00, 0x00};
    s += body + Bytes{0, 0, 0, 0};
    return tsPacket(pid, true, s + repeat(0xFF, 184 - s.size()));
}

Bytes pat() { return section(0, 0x00, {0x00, 0x00, 0xE0, 0x10, 0x00, 0x01, 0xF0, 0x00}); }  // network PID, then program 1

Bytes pmt(const std::vector<std::pair<std::uint8_t, std::uint16_t>>& streams) {
    Bytes body{0xE1, 0x00, 0xF0, 0x02, 0x0E, 0x00};  // PCR PID, a 2-byte program descriptor
    for (auto [type, pid] : streams)
        body += Bytes{type, static_cast<std::uint8_t>(0xE0 | (pid >> 8)), static_cast<std::uint8_t>(pid), 0xF0, 0x03,
                      0x0A, 0x01, 0x00};  // a 3-byte stream descriptor
    return section(kPmtPid, 0x02, body);
}

// The PES cut into packets of at most `piece` payload bytes.
Bytes carried(std::uint16_t pid, const Bytes& pes, std::size_t piece = 184) {
    Bytes out;
    for (std::size_t at = 0; at < pes.size(); at += piece)
        out += tsPacket(pid, at == 0, Bytes(pes.begin() + static_cast<long>(at),
                                            pes.begin() + static_cast<long>(std::min(pes.size(), at + piece))));
    return out;
}

}  // namespace

TEST(TsReader, ReassemblesEachPesWithItsTimestampsFromItsOwnPid) {
    Pes video;
    video.pts = 133508;
    video.dts = 126000;
    video.payload = randomBytes(500, 1);
    video.packetLength = 0;  // unbounded, as muxers write video
    Pes nextVideo;
    nextVideo.pts = 0x1FFFFFFFF;  // bit 32 kept
    nextVideo.payload = randomBytes(184 - 14, 2);
    nextVideo.packetLength = 0;
    Pes audio;
    audio.streamId = 0xBD;
    audio.pts = 133028;
    audio.payload = randomBytes(200, 3);

    Bytes ts = pat() + pmt({{0x1B, 0x100}, {0x81, 0x101}});
    Bytes videoPackets = carried(0x100, pesPacket(video), 150);
    ts += Bytes(videoPackets.begin(), videoPackets.begin() + 188);
    ts += carried(0x101, pesPacket(audio));  // between two packets of the video PES
    ts += carried(0x1FFF, randomBytes(300, 4));  // a PID the PMT does not list
    ts += Bytes(videoPackets.begin() + 188, videoPackets.end());
    ts += carried(0x100, pesPacket(nextVideo));
    ts += Bytes{0x47, 0x01, 0x00};  // a torn last packet

    auto streams = readTransportStream(ts);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].pid, 0x100);
    EXPECT_EQ(streams[0].streamType, 0x1B);
    EXPECT_EQ(streams[1].pid, 0x101);
    EXPECT_EQ(streams[1].streamType, 0x81);

    ASSERT_EQ(streams[0].packets.size(), 2u);
    EXPECT_EQ(streams[0].packets[0].pts, 133508u);
    EXPECT_EQ(streams[0].packets[0].dts, 126000u);
    EXPECT_EQ(streams[0].packets[0].payload, video.payload);
    EXPECT_EQ(streams[0].packets[1].pts, 0x1FFFFFFFFu);
    EXPECT_FALSE(streams[0].packets[1].dts);
    EXPECT_EQ(streams[0].packets[1].payload, nextVideo.payload);

    ASSERT_EQ(streams[1].packets.size(), 1u);
    EXPECT_EQ(streams[1].packets[0].pts, 133028u);
    EXPECT_EQ(streams[1].packets[0].payload, audio.payload);
}

TEST(TsReader, ADeclaredLengthEndsThePesAndBrokenInputGivesNoPacket) {
    Pes audio;
    audio.streamId = 0xBD;
    audio.pts = 90000;
    audio.payload = randomBytes(100, 5);
    Bytes pes = pesPacket(audio) + randomBytes(40, 6);  // bytes after the declared end

    Bytes noSync = carried(0x101, pesPacket(audio));
    noSync[0] = 0x46;
    Bytes ts = pat() + pmt({{0x87, 0x101}}) + carried(0x101, pes) + noSync;
    ts += carried(0x101, {0x00, 0x00, 0x01, 0xBD, 0x00, 0x03, 0x81, 0x80, 0x05});  // header longer than the packet
    ts += carried(0x101, {0x01, 0x02, 0x03});  // no start code

    auto streams = readTransportStream(ts);
    ASSERT_EQ(streams.size(), 1u);
    EXPECT_EQ(streams[0].streamType, 0x87);
    ASSERT_EQ(streams[0].packets.size(), 1u);
    EXPECT_EQ(streams[0].packets[0].payload, audio.payload);

    // Without a PAT nothing is known of the streams.
    EXPECT_TRUE(readTransportStream(pmt({{0x1B, 0x100}}) + carried(0x100, pesPacket(audio))).empty());
    EXPECT_TRUE(readTransportStream({}).empty());
}
