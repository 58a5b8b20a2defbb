// Subpicture units as a VobSub pair: the packs a unit is cut into, the
// reassembly of units cut across packets, the choice between VobSub and
// .sup at the first unit, bad units, and the .idx text with its colours,
// times and language.
#include <gtest/gtest.h>

#include <random>

#include "commands/vobsub_files.h"
#include "engine/sup_chunk.h"
#include "engine/vobsub_index.h"
#include "engine/vobsub_output.h"
#include "engine/vobsub_packs.h"
#include "support/pack_builder.h"
#include "support/vobsub_reading.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// A DVD unit of `size` bytes: its size first, then bytes of the seed.
Bytes dvdUnit(std::size_t size, std::uint32_t seed) {
    Bytes unit = randomBytes(size, seed);
    unit[0] = static_cast<std::uint8_t>(size >> 8);
    unit[1] = static_cast<std::uint8_t>(size);
    return unit;
}

Bytes payloadOf(const std::vector<SubPack>& packs) {
    Bytes all;
    for (const SubPack& p : packs) all += p.payload;
    return all;
}

struct Chunk {
    std::uint32_t pts;
    Bytes bytes;
};

// Writes the chunks through an armed output into `name`; returns it.
struct Written {
    Bytes file;
    VobSubOutput vobsub;
};
Written writeThrough(const TempDir& dir, const std::vector<Chunk>& chunks, bool colourTable = true,
                     std::int32_t id = 0x21) {
    Written w;
    OutputFile out;
    out.create(dir.file("s.out"));
    w.vobsub.arm(colourTable);
    for (const Chunk& c : chunks) w.vobsub.write(out, c.pts, id, c.bytes.data(), c.bytes.size());
    w.vobsub.finish(out);
    out.close();
    w.file = readFile(dir.file("s.out"));
    return w;
}

Bytes supOf(const TempDir& dir, const std::vector<Chunk>& chunks) {
    OutputFile out;
    out.create(dir.file("plain.sup"));
    for (const Chunk& c : chunks) appendSupChunk(out, c.pts, c.bytes.data(), c.bytes.size());
    out.close();
    return readFile(dir.file("plain.sup"));
}

// The units cut at random points into chunks, the first chunk of each
// unit with its PTS (as a DVD's packets carry them).
std::vector<Chunk> cutIntoChunks(const std::vector<Bytes>& units, const std::vector<std::uint32_t>& pts,
                                 std::mt19937& random) {
    std::vector<Chunk> chunks;
    for (std::size_t u = 0; u < units.size(); ++u) {
        std::size_t at = 0;
        while (at < units[u].size()) {
            std::size_t n = std::min<std::size_t>(units[u].size() - at, 1 + random() % 2100);
            chunks.push_back({at == 0 ? pts[u] : 0, Bytes(units[u].begin() + static_cast<std::ptrdiff_t>(at),
                                                          units[u].begin() + static_cast<std::ptrdiff_t>(at + n))});
            at += n;
        }
    }
    return chunks;
}

}  // namespace

// Every size from one pack to several, and those that leave the last pack
// a gap too small for a padding packet (stuffing in the PES header).
TEST(VobSubPacks, AUnitFillsWholePacksItsPtsOnTheFirstAndComesBackWhole) {
    std::vector<std::size_t> sizes{4, 100, 2013, 2014, 2015, 2016, 2017, 2018, 2019, 2020, 2024, 4043, 4044, 65535};
    for (std::size_t s = 2019 + 2024 - 6; s <= 2019 + 2024; ++s) sizes.push_back(s);
    for (std::size_t size : sizes) {
        Bytes unit = dvdUnit(size, static_cast<std::uint32_t>(size));
        Bytes packs;
        appendVobSubPacks(packs, unit.data(), unit.size(), 0x1234567u, 0x22);
        std::vector<SubPack> read = readSubPacks(packs);
        ASSERT_EQ(read.size(), (size + 2024 - 1 + 5) / 2024) << size;
        EXPECT_EQ(payloadOf(read), unit) << size;
        EXPECT_TRUE(read[0].hasPts);
        EXPECT_EQ(read[0].pts, 0x1234567u);
        for (std::size_t k = 1; k < read.size(); ++k) EXPECT_FALSE(read[k].hasPts) << size;
        for (const SubPack& p : read) EXPECT_EQ(p.substream, 0x22);
    }
}

TEST(VobSubOutput, UnitsCutAnywhereAcrossPacketsAreReassembledIntoTheirPacks) {
    TempDir dir;
    std::mt19937 random(7);
    for (int round = 0; round < 30; ++round) {
        std::vector<Bytes> units;
        std::vector<std::uint32_t> pts;
        for (int u = 0; u < 1 + static_cast<int>(random() % 5); ++u) {
            units.push_back(dvdUnit(4 + random() % 9000, random()));
            pts.push_back(90000u * static_cast<std::uint32_t>(u + 1) + random() % 1000);
        }
        Written w = writeThrough(dir, cutIntoChunks(units, pts, random));
        ASSERT_EQ(w.vobsub.state(), VobSubOutput::State::VobSub);
        std::vector<SubPack> packs = readSubPacks(w.file);
        EXPECT_EQ(unitsOf(payloadOf(packs)), units);
        ASSERT_EQ(w.vobsub.entries().size(), units.size());
        for (std::size_t u = 0; u < units.size(); ++u) {
            const VobSubEntry& e = w.vobsub.entries()[u];
            EXPECT_EQ(e.pts, pts[u]);
            ASSERT_EQ(e.filepos % kVobSubPackSize, 0u);
            const SubPack& first = packs[e.filepos / kVobSubPackSize];
            EXPECT_TRUE(first.hasPts);
            EXPECT_EQ(first.pts, pts[u]);
            EXPECT_EQ(Bytes(first.payload.begin(), first.payload.begin() + 2), head(units[u], 2));
        }
        EXPECT_EQ(w.vobsub.droppedBytes(), 0u);
        for (const SubPack& p : packs) EXPECT_EQ(p.substream, 0x21);
    }
}

// HD DVD units, and any stream while no colour table is known, are written
// exactly as the plain .sup writer writes them, the first chunks too,
// which the choice waited for.
TEST(VobSubOutput, HdDvdUnitsAndStreamsWithoutColoursStaySupByteForByte) {
    TempDir dir;
    Bytes hdUnit = Bytes{0x00, 0x00, 0x00, 0x00, 0x00, 0x20} + randomBytes(26, 3);
    // Empty chunks first, one with a PTS: its header alone.
    std::vector<Chunk> hd{{0x0F00, {}}, {0, {}}, {0x1000, head(hdUnit, 1)}, {0, Bytes(hdUnit.begin() + 1, hdUnit.end())}, {0x2000, hdUnit}};
    Written w = writeThrough(dir, hd);
    EXPECT_EQ(w.vobsub.state(), VobSubOutput::State::Raw);
    EXPECT_EQ(w.vobsub.rawReason(), VobSubOutput::RawReason::HdDvdUnits);
    EXPECT_EQ(w.file, supOf(dir, hd));

    std::vector<Chunk> dvd{{0x1000, dvdUnit(300, 4)}, {0x2000, dvdUnit(500, 5)}};
    Written plain = writeThrough(dir, dvd, false);
    EXPECT_EQ(plain.vobsub.rawReason(), VobSubOutput::RawReason::NoColourTable);
    EXPECT_EQ(plain.file, supOf(dir, dvd));
    EXPECT_NE(staysSupLine(plain.vobsub, "x.sup"), staysSupLine(w.vobsub, "x.sup"));
    EXPECT_EQ(staysSupLine(writeThrough(dir, dvd).vobsub, "x.sup"), "");

    // One byte is not enough to tell: kept as it came.
    std::vector<Chunk> tiny{{0x1000, {0x05}}};
    Written t = writeThrough(dir, tiny);
    EXPECT_EQ(t.vobsub.rawReason(), VobSubOutput::RawReason::TooShort);
    EXPECT_EQ(t.file, supOf(dir, tiny));
    EXPECT_TRUE(writeThrough(dir, {}).file.empty());
}

TEST(VobSubOutput, BadSizesAndAStreamEndingMidUnitLeaveOnlyWholeUnits) {
    TempDir dir;
    Bytes good = dvdUnit(700, 9);
    // A size no unit can have: passed over up to the next packet with a PTS.
    Written zero = writeThrough(dir, {{0x1000, Bytes{0x00, 0x01, 0xAA, 0xBB}}, {0, Bytes{1, 2, 3}}, {0x2000, good}});
    ASSERT_EQ(zero.vobsub.state(), VobSubOutput::State::VobSub);
    EXPECT_EQ(unitsOf(payloadOf(readSubPacks(zero.file))), std::vector<Bytes>{good});
    EXPECT_EQ(zero.vobsub.entries().at(0).pts, 0x2000u);
    EXPECT_EQ(zero.vobsub.droppedBytes(), 7u);
    // A stream that starts inside a unit: its tail, in packets without a
    // PTS, is left out, the next unit is whole.
    Written late = writeThrough(dir, {{0, Bytes{0x12, 0x34, 0x56}}, {0, Bytes{7, 8}}, {0x3000, good}});
    ASSERT_EQ(late.vobsub.state(), VobSubOutput::State::VobSub);
    EXPECT_EQ(unitsOf(payloadOf(readSubPacks(late.file))), std::vector<Bytes>{good});
    EXPECT_EQ(late.vobsub.entries().at(0).pts, 0x3000u);
    EXPECT_EQ(late.vobsub.droppedBytes(), 5u);
    // A size past the data: the stream ends mid-unit, the unit is left out.
    Bytes cut = head(dvdUnit(5000, 10), 3000);
    Written past = writeThrough(dir, {{0x1000, good}, {0x2000, cut}});
    EXPECT_EQ(unitsOf(payloadOf(readSubPacks(past.file))), std::vector<Bytes>{good});
    EXPECT_EQ(past.vobsub.droppedBytes(), 3000u);
    EXPECT_EQ(droppedUnitsLine(past.vobsub, "x.sub"),
              "Left out of x.sub: 3000 bytes that make no whole subpicture unit");
    EXPECT_EQ(droppedUnitsLine(zero.vobsub, "x.sub").empty(), false);
    EXPECT_EQ(droppedUnitsLine(writeThrough(dir, {{0x1000, good}}).vobsub, "x.sub"), "");
}

// Random bytes in random chunks: whatever the sizes say, the .sub holds
// well-formed packs only and every entry points at a pack start.
TEST(VobSubOutput, RandomStreamsNeverMakeABrokenSub) {
    TempDir dir;
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<Chunk> chunks;
        Bytes first{static_cast<std::uint8_t>(1 + random() % 0x40), static_cast<std::uint8_t>(random())};
        chunks.push_back({static_cast<std::uint32_t>(random()), first});
        for (int k = 0; k < 1 + static_cast<int>(random() % 12); ++k)
            chunks.push_back({random() % 3 == 0 ? static_cast<std::uint32_t>(random()) : 0u,
                              randomBytes(random() % 3000, random())});
        Written w = writeThrough(dir, chunks);
        ASSERT_EQ(w.vobsub.state(), VobSubOutput::State::VobSub);
        std::vector<SubPack> packs = readSubPacks(w.file);
        for (const VobSubEntry& e : w.vobsub.entries()) {
            ASSERT_EQ(e.filepos % kVobSubPackSize, 0u);
            ASSERT_LT(e.filepos / kVobSubPackSize, packs.size());
            EXPECT_TRUE(packs[e.filepos / kVobSubPackSize].hasPts);
        }
        std::size_t in = 0;
        for (const Chunk& c : chunks) in += c.bytes.size();
        EXPECT_EQ(payloadOf(packs).size() + w.vobsub.droppedBytes(), in);
    }
}

TEST(VobSubIndex, ColoursAreStudioRangeBt601ClampedToRgb) {
    EXPECT_EQ(rgbOfYCrCb(0x108080), 0x000000u);   // black
    EXPECT_EQ(rgbOfYCrCb(0xEB8080), 0xFFFFFFu);   // white
    EXPECT_EQ(rgbOfYCrCb(0x7E8080), 0x808080u);   // grey: Y 126
    // The colours dvdauthor stores for pure red and blue come back near them.
    auto near = [](std::uint32_t got, std::uint32_t want) {
        for (int shift : {16, 8, 0})
            if (std::abs(static_cast<int>((got >> shift) & 0xFF) - static_cast<int>((want >> shift) & 0xFF)) > 3)
                return false;
        return true;
    };
    EXPECT_TRUE(near(rgbOfYCrCb(0x52F05A), 0xFF0000)) << std::hex << rgbOfYCrCb(0x52F05A);
    EXPECT_TRUE(near(rgbOfYCrCb(0x296EF0), 0x0000FF)) << std::hex << rgbOfYCrCb(0x296EF0);
    // Out of the studio range: clamped, not wrapped into the next channel.
    EXPECT_EQ(rgbOfYCrCb(0xFFFFFF) & 0xFF00FF, 0xFF00FFu);
    EXPECT_EQ(rgbOfYCrCb(0x000000) & 0xFF00FF, 0u);
    EXPECT_LE(rgbOfYCrCb(0xFFFFFF), 0xFFFFFFu);
}

TEST(VobSubIndex, TheIndexGivesSizePaletteLanguageAndTimesFromTheVideo) {
    VobSubIndexFacts facts;
    facts.width = 720;
    facts.height = 480;
    facts.palette.fill(0x108080);
    facts.palette[1] = 0xEB8080;
    facts.language = "de";
    facts.hasVideoPts = true;
    facts.videoPts = 0xFFFFFF00u;  // the units' PTS have wrapped past 2^32
    std::vector<VobSubEntry> entries{{0xFFFFFF00u + 90 * 1500, 0}, {0x00000100u + 90 * 3723004, 0x2800},
                                     {0xFFFFFE00u, 0x5000}};  // before the video: at 0
    std::string text = vobsubIndex(facts, entries);
    EXPECT_EQ(text.substr(0, text.find('\n')), "# VobSub index file, v7 (do not modify this line!)");
    IdxFile idx = parseIdx(text);
    EXPECT_EQ(idx.width, 720);
    EXPECT_EQ(idx.height, 480);
    ASSERT_EQ(idx.palette.size(), 16u);
    EXPECT_EQ(idx.palette[0], 0u);
    EXPECT_EQ(idx.palette[1], 0xFFFFFFu);
    EXPECT_EQ(idx.language, "de");
    EXPECT_EQ(idx.index, 0);
    ASSERT_EQ(idx.entries.size(), 3u);
    EXPECT_EQ(idx.entries[0].ms, 1500);
    EXPECT_EQ(idx.entries[1].ms, 3723004 + 5);  // and 0x200 ticks across the wrap: 5.7 ms, cut to 5
    EXPECT_EQ(idx.entries[1].filepos, 0x2800u);
    EXPECT_EQ(idx.entries[2].ms, 0);
    EXPECT_NE(text.find("timestamp: 01:02:03:"), std::string::npos);
    EXPECT_NE(text.find("filepos: 000002800"), std::string::npos);
    EXPECT_EQ(vobsubTime(90ull * (((25 * 60 + 7) * 60 + 9) * 1000 + 42)), "25:07:09:042");
}

TEST(VobSubIndex, LanguagesAreGivenInTwoLetters) {
    const std::vector<std::pair<std::string, std::string>> expected{
        {"en", "en"}, {"EN", "en"}, {"eng", "en"}, {"ger", "de"}, {"deu", "de"}, {"fre", "fr"},
        {"und", "--"}, {"", "--"}, {"xx", "--"}, {"haw", "--"}};
    for (const auto& [code, two] : expected) EXPECT_EQ(vobsubLanguage(code), two) << code;
}
