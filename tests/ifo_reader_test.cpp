// A DVD title set's IFO read: the stream attributes and PGC 1 of title sets
// authored by dvdauthor, checked against mkvmerge's own reading of the
// folder, and IFOs cut short or corrupted, which give a line for what they
// lack and the facts that could be read.
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "playlist/ifo_layout.h"
#include "playlist/ifo_time.h"
#include "playlist/ifo_title_set.h"
#include "support/fixture_files.h"
#include "support/run_tool.h"

using namespace strandex;
using namespace strandex::test;

namespace {

std::string titleSetFolder(const std::string& set) { return fixture("dvd/" + set + "/VIDEO_TS"); }
Bytes titleSetIfo(const std::string& set) { return readFile(titleSetFolder(set) + "/VTS_01_0.IFO"); }

std::vector<std::int64_t> chapterNs(const IfoTitleSet& read) {
    std::vector<std::int64_t> starts;
    for (const IfoChapter& c : read.title.chapters) starts.push_back(c.start.ns());
    return starts;
}

// mkvmerge reads the chapters of a DVD folder through libdvdread when
// given its IFO; its XML chapters keep them to the nanosecond.
std::vector<std::int64_t> mkvmergeChapterNs(const std::string& set) {
    TempDir dir;
    const std::string folder = titleSetFolder(set), mkv = dir.file("title.mkv");
    CliResult made = runTool(dir, {"mkvmerge", "-q", "-o", mkv, "--chapters", folder + "/VTS_01_0.IFO",
                                   folder + "/VTS_01_1.VOB"});
    EXPECT_EQ(made.exitCode, 0) << made.out << made.err;
    const std::string xml = runTool(dir, {"mkvextract", mkv, "chapters", "-"}).out;
    std::vector<std::int64_t> starts;
    const std::regex start("<ChapterTimeStart>(\\d+):(\\d+):(\\d+)\\.(\\d{9})</ChapterTimeStart>");
    for (auto m = std::sregex_iterator(xml.begin(), xml.end(), start); m != std::sregex_iterator(); ++m) {
        const std::int64_t seconds = (std::stoll((*m)[1]) * 60 + std::stoll((*m)[2])) * 60 + std::stoll((*m)[3]);
        starts.push_back(seconds * 1'000'000'000 + std::stoll((*m)[4]));
    }
    return starts;
}

void putU16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
}
void putU32(Bytes& b, std::size_t at, std::uint32_t v) {
    putU16(b, at, v >> 16);
    putU16(b, at + 2, v & 0xFFFF);
}
std::uint32_t u16At(const Bytes& b, std::size_t at) { return static_cast<std::uint32_t>(b[at] << 8 | b[at + 1]); }
std::uint32_t u32At(const Bytes& b, std::size_t at) { return u16At(b, at) << 16 | u16At(b, at + 2); }

// Where PGC 1 of a well-formed IFO starts.
std::size_t chainAt(const Bytes& ifo) {
    const std::size_t table = u32At(ifo, ifo::kPgciSector) * ifo::kSectorSize;
    return table + u32At(ifo, table + ifo::kPgciFirstEntry + ifo::kPgciEntryOffset);
}

bool hasNoteWith(const IfoTitleSet& read, const std::string& text) {
    for (const std::string& note : read.notes)
        if (note.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(IfoTime, BcdPlaybackTimes) {
    // 01:02:03, 24 frames at 25 fps.
    auto pal = ifoTime(0x01020364);
    ASSERT_TRUE(pal);
    EXPECT_EQ(pal->ns(), ((3600 + 120 + 3) * 25 + 24) * 40'000'000LL);
    // 1 s and 24 frames at 29.97: 54 frames of 1001/30000 s.
    auto ntsc = ifoTime(0x000001E4);
    ASSERT_TRUE(ntsc);
    EXPECT_EQ(ntsc->ns(), 1'801'800'000);
    EXPECT_EQ(roundedMs(ntsc->ns()), 1802);
    // 99 hours of 29.97 do not overflow.
    auto longest = ifoTime(0x99595929 | 0xC0);
    ASSERT_TRUE(longest);
    EXPECT_GT(longest->ns(), 99LL * 3600 * 1'000'000'000);
    // A digit above 9, minutes or seconds of 60, frames not below the rate,
    // the reserved frame-rate codes.
    for (std::uint32_t bad : {0x0A000040u, 0x00600040u, 0x00006040u, 0x00000065u, 0x000000F0u, 0x00000010u,
                              0x00000090u, 0x000000EAu})
        EXPECT_FALSE(ifoTime(bad)) << std::hex << bad;
}

TEST(IfoReader, PalTitleSetAsAuthored) {
    const Bytes ifo = titleSetIfo("pal");
    ASSERT_TRUE(isIfoTitleSet(ifo));
    const IfoTitleSet read = readIfoTitleSet(ifo);
    EXPECT_TRUE(read.notes.empty()) << read.notes.front();
    EXPECT_TRUE(read.video.read);
    EXPECT_TRUE(read.video.pal);
    EXPECT_FALSE(read.video.mpeg1);
    EXPECT_EQ(read.video.width, 720);
    EXPECT_EQ(read.video.height, 576);
    ASSERT_EQ(read.audio.size(), 1u);
    EXPECT_EQ(read.audio[0].coding, IfoAudioCoding::Ac3);
    EXPECT_EQ(read.audio[0].channels, 2);
    EXPECT_EQ(read.audio[0].language, "en");
    ASSERT_EQ(read.subpictures.size(), 1u);
    EXPECT_EQ(read.subpictures[0].language, "de");
    ASSERT_TRUE(read.title.hasDuration);
    EXPECT_EQ(read.title.duration.ns(), 4'000'000'000);
    // dvdauthor makes the colour table of the colours spumux met in the
    // picture: red, black, white, the transparent black; the rest black.
    std::array<std::uint32_t, 16> made{};
    made.fill(0x108080);
    made[0] = 0x52f05a;
    made[2] = 0xeb8080;
    EXPECT_TRUE(read.title.hasPalette);
    EXPECT_EQ(read.title.palette, made);
    EXPECT_EQ(chapterNs(read), mkvmergeChapterNs("pal"));
    EXPECT_EQ(read.title.chapters.size(), 3u);
}

TEST(IfoReader, NtscTitleSetAsAuthored) {
    const IfoTitleSet read = readIfoTitleSet(titleSetIfo("ntsc"));
    EXPECT_TRUE(read.notes.empty()) << read.notes.front();
    EXPECT_FALSE(read.video.pal);
    EXPECT_EQ(read.video.width, 720);
    EXPECT_EQ(read.video.height, 480);
    ASSERT_EQ(read.audio.size(), 2u);
    EXPECT_EQ(read.audio[0].coding, IfoAudioCoding::Ac3);
    EXPECT_EQ(read.audio[0].language, "fr");
    EXPECT_EQ(read.audio[1].coding, IfoAudioCoding::Mpeg);
    EXPECT_EQ(read.audio[1].language, "ja");
    EXPECT_TRUE(read.subpictures.empty());
    // 3 s of the clock at 29.97 fps: 90 frames.
    EXPECT_EQ(read.title.duration.ns(), 3'003'000'000);
    EXPECT_EQ(chapterNs(read), mkvmergeChapterNs("ntsc"));
    EXPECT_EQ(read.title.chapters.size(), 2u);
}

TEST(IfoReader, NotATitleSet) {
    Bytes menu = titleSetIfo("pal");
    EXPECT_FALSE(isIfoTitleSet(Bytes(menu.begin(), menu.begin() + 11)));
    menu[9] = 'M';  // DVDVIDEO-VMG
    EXPECT_FALSE(isIfoTitleSet(menu));
    EXPECT_FALSE(isIfoTitleSet(readFile(titleSetFolder("pal") + "/VIDEO_TS.IFO")));
}

// Every length the file could be cut to: never a read past its end, the
// facts before the cut kept, a line for the first thing past it.
TEST(IfoReader, CutShortAtEveryLength) {
    const Bytes whole = titleSetIfo("pal");
    const std::size_t chain = chainAt(whole);
    for (std::size_t size = 0; size <= chain + 0x200; size += size < 0x300 ? 1 : 7) {
        const Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        const IfoTitleSet read = readIfoTitleSet(cut);
        EXPECT_EQ(read.video.read, size >= ifo::kVideoAttributes + 2) << size;
        EXPECT_EQ(read.audio.size(), size >= ifo::kAudioAttributes + ifo::kAudioEntry ? 1u : 0u) << size;
        EXPECT_EQ(read.subpictures.size(), size >= ifo::kSubAttributes + ifo::kSubEntry ? 1u : 0u) << size;
        EXPECT_EQ(read.title.read, size >= chain + ifo::kPgcCellPlayback + 2) << size;
        if (!read.title.read || read.title.chapters.size() < 3) {
            EXPECT_FALSE(read.notes.empty()) << size;
        }
    }
    const IfoTitleSet shortest = readIfoTitleSet(Bytes(whole.begin(), whole.begin() + 0x100));
    EXPECT_TRUE(hasNoteWith(shortest, "IFO: video attributes at byte 512 lies past the file's end (256 bytes)"));
}

TEST(IfoReader, CountsAndOffsetsPastTheEnd) {
    const Bytes whole = titleSetIfo("pal");
    const std::size_t chain = chainAt(whole);
    {
        Bytes ifo = whole;
        putU16(ifo, ifo::kAudioCount, 0xFFFF);
        putU16(ifo, ifo::kSubCount, 40);
        const IfoTitleSet read = readIfoTitleSet(ifo);
        EXPECT_EQ(read.audio.size(), 8u);
        EXPECT_EQ(read.subpictures.size(), 32u);
        EXPECT_TRUE(hasNoteWith(read, "IFO: 65535 audio streams given, at most 8 read"));
        EXPECT_TRUE(hasNoteWith(read, "IFO: 40 subpicture streams given, at most 32 read"));
    }
    {
        Bytes ifo = whole;
        putU32(ifo, ifo::kPgciSector, 0xFFFFFFFF);
        const IfoTitleSet read = readIfoTitleSet(ifo);
        EXPECT_FALSE(read.title.read);
        EXPECT_EQ(read.audio.size(), 1u);
        EXPECT_TRUE(hasNoteWith(read, "IFO: program chain table at byte"));
    }
    {
        Bytes ifo = whole;
        const std::size_t table = u32At(ifo, ifo::kPgciSector) * ifo::kSectorSize;
        putU32(ifo, table + ifo::kPgciFirstEntry + ifo::kPgciEntryOffset, 0xFFFFFF00);
        EXPECT_TRUE(hasNoteWith(readIfoTitleSet(ifo), "IFO: PGC 1 at byte"));
        putU16(ifo, table + ifo::kPgciCount, 0);
        EXPECT_TRUE(hasNoteWith(readIfoTitleSet(ifo), "IFO: the title set has no program chain: no title"));
    }
    {
        Bytes ifo = whole;
        putU16(ifo, chain + ifo::kPgcProgramMap, 0xFFFF);
        const IfoTitleSet read = readIfoTitleSet(ifo);
        EXPECT_TRUE(read.title.chapters.empty());
        EXPECT_TRUE(read.title.hasPalette);
        EXPECT_TRUE(hasNoteWith(read, "IFO: program map at byte"));
    }
    {
        Bytes ifo = whole;
        // 255 cells: those past the three authored have no time.
        ifo[chain + ifo::kPgcCells] = 0xFF;
        const IfoTitleSet read = readIfoTitleSet(ifo);
        EXPECT_EQ(chapterNs(read), chapterNs(readIfoTitleSet(whole)));
        EXPECT_TRUE(hasNoteWith(read, "IFO: cell 4 has no valid playback time: counted as 0"));
        // Cut inside the cell table: the cells before the cut are read.
        const std::size_t cells = chain + u16At(ifo, chain + ifo::kPgcCellPlayback);
        ifo.resize(cells + 2 * ifo::kCellEntry + 5);
        const IfoTitleSet cut = readIfoTitleSet(ifo);
        EXPECT_EQ(cut.title.chapters.size(), 2u);
        EXPECT_TRUE(hasNoteWith(cut, "IFO: cell playback table at byte"));
    }
}

TEST(IfoReader, ProgramsCellsAndTimesOutOfRange) {
    const Bytes whole = titleSetIfo("pal");
    const std::size_t chain = chainAt(whole);
    const std::size_t map = chain + u16At(whole, chain + ifo::kPgcProgramMap);
    const std::size_t cells = chain + u16At(whole, chain + ifo::kPgcCellPlayback);
    {
        Bytes ifo = whole;
        ifo[chain + ifo::kPgcPrograms] = 0;
        const IfoTitleSet read = readIfoTitleSet(ifo);
        EXPECT_TRUE(read.title.chapters.empty());
        EXPECT_TRUE(read.title.hasDuration);
        EXPECT_TRUE(hasNoteWith(read, "IFO: PGC 1 has no programs: no chapters"));
    }
    {
        Bytes ifo = whole;
        ifo[map + 1] = 0;
        ifo[map + 2] = 9;
        const IfoTitleSet read = readIfoTitleSet(ifo);
        EXPECT_EQ(read.title.chapters.size(), 1u);
        EXPECT_TRUE(hasNoteWith(read, "IFO: program 2 starts at cell 0, which PGC 1 does not have"));
        EXPECT_TRUE(hasNoteWith(read, "IFO: program 3 starts at cell 9, which PGC 1 does not have"));
    }
    {
        Bytes ifo = whole;
        ifo[cells + ifo::kCellPlaybackTime + 2] = 0x7A;  // seconds "7A"
        putU32(ifo, chain + ifo::kPgcPlaybackTime, 0x000004A5);
        const IfoTitleSet read = readIfoTitleSet(ifo);
        EXPECT_FALSE(read.title.hasDuration);
        EXPECT_TRUE(hasNoteWith(read, "IFO: PGC 1 has no valid playback time: no duration"));
        EXPECT_TRUE(hasNoteWith(read, "IFO: cell 1 has no valid playback time: counted as 0"));
        ASSERT_EQ(read.title.chapters.size(), 3u);
        EXPECT_EQ(read.title.chapters[1].start.ns(), 0);
    }
}

// Random bytes changed anywhere in the tables the reader follows: it ends,
// and every stream count stays within its table.
TEST(IfoReader, RandomCorruptions) {
    const Bytes whole = titleSetIfo("ntsc");
    const std::size_t chain = chainAt(whole);
    std::mt19937 random(18);
    for (int round = 0; round < 3000; ++round) {
        Bytes ifo = whole;
        const int changes = 1 + static_cast<int>(random() % 8);
        for (int k = 0; k < changes; ++k) {
            const std::size_t at = random() % 2 ? random() % 0x300 : chain + random() % 0x160;
            ifo[at] = static_cast<std::uint8_t>(random());
        }
        if (random() % 4 == 0) ifo.resize(random() % ifo.size());
        const IfoTitleSet read = readIfoTitleSet(ifo);
        EXPECT_LE(read.audio.size(), ifo::kAudioMax);
        EXPECT_LE(read.subpictures.size(), ifo::kSubMax);
        EXPECT_LE(read.title.chapters.size(), 255u);
    }
}
