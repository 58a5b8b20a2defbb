// Whole PES headers read in one go against the byte step: packets whose
// flags (the scrambling bits too), header lengths, extensions and packet
// lengths are drawn at random, well-formed or not, in both modes.
#include <gtest/gtest.h>

#include "cli/memory_front_end.h"
#include "engine/demux.h"
#include "engine/engine_run.h"
#include "support/fast_path_check.h"
#include "support/stream_fuzz.h"

using namespace strandex;
using namespace strandex::test;

namespace {

constexpr std::uint8_t kIds[] = {0xE0, 0xE1, 0xE2, 0xE3, 0xFD, 0xFD, 0xBD, 0xBD, 0xC0, 0xBE, 0xBF};
constexpr std::uint8_t kFlags2[] = {0x80, 0xC0, 0x81, 0xC1, 0x01, 0x00, 0x40, 0x41, 0x85, 0xC3};
constexpr std::uint8_t kSubstreams[] = {0x20, 0x61, 0x80, 0x88, 0xA1, 0xB2, 0xC3, 0x05};
// The first flags byte: clear, each scrambling value, and bytes without the
// '10' marker.
constexpr std::uint8_t kFlags1[] = {0x91, 0xA0, 0xBD, 0x71, 0x31, 0xFF, 0x00};

// Header data as the flags announce it, then cut or stuffed to a length
// that may be too short, exact or longer.
Bytes headerData(Dice& dice, std::uint8_t flags2) {
    Bytes data;
    if ((flags2 & 0xC0) == 0x80) data += timestamp(dice.below(1u << 31) * 2ull + dice.below(2), 2);
    if ((flags2 & 0xC0) == 0xC0) data += timestamp(dice.byte(), 3) + timestamp(dice.below(1u << 30), 1);
    if (flags2 & 0x01) {
        std::uint8_t ext = static_cast<std::uint8_t>(dice.below(4) == 0 ? dice.byte() : 0x0E | (dice.chance(30) ? 0x10 : 0) | (dice.chance(80) ? 0x01 : 0));
        data.push_back(ext);
        if (ext & 0x10) data += Bytes{0x60, dice.byte()};
        if (ext & 0x01) data += Bytes{0x81, static_cast<std::uint8_t>(0x80 | (0x54 + dice.below(4)))};
    }
    if (dice.chance(20)) data.resize(dice.below(static_cast<std::uint32_t>(data.size() + 1)));
    if (dice.chance(30)) data += repeat(0xFF, dice.below(6));
    if (dice.chance(5)) data += Bytes{0x00, 0x00, 0x01, kIds[dice.below(std::size(kIds))]};
    return data;
}

Bytes randomPacket(Dice& dice) {
    std::uint8_t id = kIds[dice.below(std::size(kIds))];
    std::uint8_t flags2 = dice.chance(85) ? kFlags2[dice.below(std::size(kFlags2))] : dice.byte();
    Bytes header = headerData(dice, flags2);
    Bytes payload = startCodeRichBytes(dice, dice.below(300));
    if (id == 0xBD) payload.insert(payload.begin(), kSubstreams[dice.below(std::size(kSubstreams))]);
    int length = 3 + static_cast<int>(header.size() + payload.size());
    if (dice.chance(15)) length = static_cast<int>(dice.below(3 + static_cast<std::uint32_t>(header.size()) + 8));
    std::uint8_t headerLength = dice.chance(90) ? static_cast<std::uint8_t>(header.size()) : dice.byte();
    std::uint8_t flags1 = dice.chance(96) ? 0x81 : kFlags1[dice.below(std::size(kFlags1))];
    Bytes packet{0x00, 0x00, 0x01, id, static_cast<std::uint8_t>(length >> 8),
                 static_cast<std::uint8_t>(length), flags1, flags2, headerLength};
    return packet + header + payload;
}

// One packet's parse from its first byte: the byte step up to its stream
// id, then either the whole header in one go or the byte step to the same
// end.
struct HeaderRun {
    MemoryFrontEnd ui;
    Session session{ui};
    EngineRun run;

    explicit HeaderRun(const Bytes& packet) : run{session, session.table, ui, packet.data(), DemuxState{}, false} {
        resetForRun(session.table);
        run.state.PacketPts = 0xDEADBEEF;  // as a packet before may have left them
        run.state.PacketHasPts = true;
        for (std::size_t i = 0; i < 4;) i = byteStep(run, i, packet.size());
    }
};

}  // namespace

// The stream facts take a stream's first PTS from PacketPts: the header
// read in one go leaves it, and PacketHasPts, as the byte step does.
TEST(PesHeaderFastPath, LeavesThePacketPtsAsTheByteStep) {
    int read = 0;
    for (std::uint32_t seed = 1; seed <= 3000; ++seed) {
        Dice dice(seed * 104729);
        Bytes packet = randomPacket(dice);
        HeaderRun fast(packet), plain(packet);
        std::size_t end = readPesHeaderFast(fast.run, 4, packet.size());
        if (end == 0) continue;  // refused: the byte step reads it anyway
        ++read;
        for (std::size_t i = 4; i < end;) i = byteStep(plain.run, i, end);
        SCOPED_TRACE("seed " + std::to_string(seed));
        EXPECT_EQ(fast.run.state.PacketHasPts, plain.run.state.PacketHasPts);
        EXPECT_EQ(fast.run.state.PacketPts, plain.run.state.PacketPts);
        EXPECT_EQ(fast.run.state.PtsInPacket, plain.run.state.PtsInPacket);
    }
    EXPECT_GT(read, 1000);  // most headers are read in one go
}

TEST(PesHeaderFastPath, EqualsTheByteStepOnRandomHeaders) {
    for (std::uint32_t seed = 1; seed <= 400 && !HasFailure(); ++seed) {
        Dice dice(seed * 7919);
        Bytes file;
        // Mostly small files; every tenth reaches past a block boundary, where
        // headers are cut by the block end.
        std::size_t target = seed % 10 == 0 ? kBlockSize + dice.below(4096) : dice.below(20000);
        if (seed % 10 == 0) file = repeat(0xFF, kBlockSize - dice.below(4000));
        while (file.size() < target) file += randomPacket(dice);
        SCOPED_TRACE("seed " + std::to_string(seed));
        expectFastEqualsPlain(file, RunMode::Scan);
        expectFastEqualsPlain(file, RunMode::Write);
    }
}
