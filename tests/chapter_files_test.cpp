// The chapter files: their two formats, Demux writing them beside the
// streams when chapters are asked for, and mkvmerge reading them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <regex>

#include "commands/demux_command.h"
#include "mux/chapter_formats.h"
#include "support/engine_checks.h"
#include "support/failing_files.h"
#include "support/playlist_bench.h"
#include "support/run_tool.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

const std::string kNav50Ogm =
    "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Anfang\n"
    "CHAPTER02=00:05:30.500\nCHAPTER02NAME=Chapter 02\n"
    "CHAPTER03=00:45:00.200\nCHAPTER03NAME=Die Br\xC3\xBC"
    "cke <Teil 2>\n"
    "CHAPTER04=01:10:12.980\nCHAPTER04NAME=Chapter 04\n";

PlaylistFacts twoChapters(const std::string& language) {
    PlaylistFacts facts;
    facts.titleFound = true;
    facts.defaultLanguage = language;
    facts.chapters = {{0, 0, "Opening"}, {3723017, 3723016666667, "Tom & \"Jerry\" <1>"}};
    return facts;
}

// A feature whose playlist is read: a VC-1 and a DD+ stream in FEATURE_1.EVO.
struct ChapterBench : PlaylistBench {
    explicit ChapterBench(const std::string& playlist = fixturePlaylist("NAV_50FPS.XPL")) {
        write("FEATURE_1.EVO", pack({vc1Packet(0x55, {0x00, 0x00, 0x01, 0x0D, 0x3F}),
                                     privateStream1(ac3Payload(0xC0, {0x0B, 0x77, 0x01}), 90000)}));
        readXpl(playlist);
    }
    Lines demux(bool chapters) {
        session.writeChapters = chapters;
        return linesOf(bDemuxClick);
    }
};

std::string textOf(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// mkvmerge muxes a committed AC-3 stream with the chapter file; what it
// stored is what mkvextract gives back, in the simple format and as XML.
struct Muxed {
    int entries = -1;
    std::string simple;
    std::string xml;
};
Muxed muxWithChapters(const TempDir& dir, const std::string& chapters) {
    const std::string mkv = dir.file("muxed.mkv");
    CliResult made = runTool(dir, {"mkvmerge", "-q", "-o", mkv, "--chapter-charset", "UTF-8", "--chapters", chapters,
                                   std::string(STRANDEX_FIXTURES) + "/ac3_51.ac3"});
    EXPECT_EQ(made.exitCode, 0) << made.out << made.err;
    Muxed muxed;
    CliResult identified = runTool(dir, {"mkvmerge", "-J", mkv});
    std::smatch match;
    if (std::regex_search(identified.out, match, std::regex("\"num_entries\": *([0-9]+)")))
        muxed.entries = std::stoi(match[1]);
    muxed.simple = runTool(dir, {"mkvextract", mkv, "chapters", "-s", "-"}).out;
    muxed.xml = runTool(dir, {"mkvextract", mkv, "chapters", "-"}).out;
    return muxed;
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(ChapterFormats, OgmAndMatroskaText) {
    PlaylistFacts facts = twoChapters("en");
    EXPECT_EQ(ogmChapters(facts),
              "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Opening\n"
              "CHAPTER02=01:02:03.017\nCHAPTER02NAME=Tom & \"Jerry\" <1>\n");
    EXPECT_EQ(matroskaChapters(facts),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!DOCTYPE Chapters SYSTEM \"matroskachapters.dtd\">\n"
              "<Chapters>\n"
              "  <EditionEntry>\n"
              "    <ChapterAtom>\n"
              "      <ChapterTimeStart>00:00:00.000000000</ChapterTimeStart>\n"
              "      <ChapterDisplay>\n"
              "        <ChapterString>Opening</ChapterString>\n"
              "        <ChapterLanguage>eng</ChapterLanguage>\n"
              "      </ChapterDisplay>\n"
              "    </ChapterAtom>\n"
              "    <ChapterAtom>\n"
              "      <ChapterTimeStart>01:02:03.016666667</ChapterTimeStart>\n"
              "      <ChapterDisplay>\n"
              "        <ChapterString>Tom &amp; &quot;Jerry&quot; &lt;1&gt;</ChapterString>\n"
              "        <ChapterLanguage>eng</ChapterLanguage>\n"
              "      </ChapterDisplay>\n"
              "    </ChapterAtom>\n"
              "  </EditionEntry>\n"
              "</Chapters>\n");
    // The language in its bibliographic form, "und" when unknown or absent.
    for (auto [given, written] : {std::pair{"de", "ger"}, {"fr", "fre"}, {"deu", "ger"}, {"", "und"}, {"xx", "und"}})
        EXPECT_TRUE(has(matroskaChapters(twoChapters(given)), std::string("<ChapterLanguage>") + written + "<"))
            << given;
    // A hundred chapters and a hundred hours take more digits.
    facts.chapters.assign(100, {360000000, 360000000000000, "x"});
    EXPECT_TRUE(has(ogmChapters(facts), "\nCHAPTER100=100:00:00.000\nCHAPTER100NAME=x\n"));
    EXPECT_TRUE(has(matroskaChapters(facts), "<ChapterTimeStart>100:00:00.000000000<"));
}

TEST(ChapterFormats, NamesAreUtf8Text) {
    EXPECT_EQ(chapterName("Br\xC3\xBC"
                          "cke \xF0\x9F\x8E\xAC"),
              "Br\xC3\xBC"
              "cke \xF0\x9F\x8E\xAC");
    // Latin-1, a cut sequence, an overlong form, a surrogate, beyond
    // U+10FFFF, and control bytes.
    EXPECT_EQ(chapterName("Br\xFC"
                          "cke"),
              "Br\xEF\xBF\xBD"
              "cke");
    EXPECT_EQ(chapterName("a\xC3"), "a\xEF\xBF\xBD");
    EXPECT_EQ(chapterName("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(chapterName("\xED\xA0\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(chapterName("\xF4\x90\x80\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(chapterName("a\x01\x7F"
                          "b"),
              "a  b");
}

TEST(ChapterFiles, DemuxWritesThemOnlyWhenAsked) {
    ChapterBench bench;
    Lines without = bench.demux(false);
    Lines streams = filesIn(bench.out);
    std::vector<Bytes> bytes;
    for (const std::string& name : streams) bytes.push_back(bench.output(name));
    for (const std::string& name : streams) EXPECT_FALSE(has(name, "chapters")) << name;
    Lines with = bench.demux(true);
    // The two files, each with its line, and nothing else changed.
    const std::string base = bench.out + "/FEATURE_1";
    Lines expected = without;
    auto done = std::find(expected.begin(), expected.end(), "Done.");
    ASSERT_NE(done, expected.end());
    expected.insert(done, {"Creating " + base + ".chapters.txt", "Creating " + base + ".chapters.xml"});
    EXPECT_EQ(with, expected);
    Lines all = filesIn(bench.out);
    EXPECT_EQ(all.size(), streams.size() + 2);
    for (std::size_t k = 0; k < streams.size(); ++k) EXPECT_EQ(bench.output(streams[k]), bytes[k]) << streams[k];
    EXPECT_EQ(textOf(bench.output("FEATURE_1.chapters.txt")), kNav50Ogm);
    EXPECT_EQ(textOf(bench.output("FEATURE_1.chapters.xml")), matroskaChapters(bench.session.playlist));
}

TEST(ChapterFiles, SecondPartBaseAndNothingToWrite) {
    ChapterBench bench;
    bench.write("FEATURE_2.EVO", pack({vc1Packet(0x55, {0x00, 0x00, 0x01, 0x0D, 0x3F})}));
    bench.ui.setTicked(Box::cbContinue, true);
    bench.demux(true);
    EXPECT_EQ(textOf(bench.output("FEATURE_1_2.chapters.txt")), kNav50Ogm);
    EXPECT_FALSE(bench.output("FEATURE_1_2.chapters.xml").empty());

    // A title without chapters; the facts of another source's title.
    ChapterBench noChapters(titlePlaylist("", "<Audio streamNumber=\"1\" mediaAttr=\"1\"/>\n", ""));
    Lines log = noChapters.demux(true);
    EXPECT_TRUE(std::find(log.begin(), log.end(), "No chapter files: the title has no chapters") != log.end());
    ChapterBench otherSource;
    otherSource.write("FEATURE_3.EVO", pack({vc1Packet(0x55, {0x00, 0x00, 0x01, 0x0D, 0x3F})}));
    otherSource.choose("FEATURE_3.EVO");
    log = otherSource.demux(true);
    EXPECT_TRUE(std::find(log.begin(), log.end(), "No chapter files: Read XPL found no title for this source") !=
                log.end());
    for (const ChapterBench* b : {&noChapters, &otherSource})
        for (const std::string& name : filesIn(b->out)) EXPECT_FALSE(has(name, "chapters")) << name;
}

TEST(ChapterFiles, AFileThatCannotBeCreatedIsAnError) {
    ChapterBench bench;
    bench.session.writeChapters = true;
    FailingFiles files;
    files.failOpen("FEATURE_1.chapters.xml", EACCES);
    Lines log;
    EXPECT_EQ(bench.run(bDemuxClick, &log),
              "Cannot create file \"" + bench.out + "/FEATURE_1.chapters.xml\". Permission denied");
    EXPECT_EQ(log.back(), "Creating " + bench.out + "/FEATURE_1.chapters.txt");
    EXPECT_EQ(textOf(bench.output("FEATURE_1.chapters.txt")), kNav50Ogm);
    EXPECT_FALSE(bench.anyOutputOpen());
    EXPECT_FALSE(bench.session.commandRunning);
}

// Both files of the 50fps and the 60fps fixture, muxed by mkvmerge: the
// times and names it keeps are the playlist's.
TEST(ChapterFiles, MkvmergeReadsBothFiles) {
    struct Case {
        const char* playlist;
        int chapters;
        std::string simple;  // mkvextract's simple form of what it stored
        std::vector<std::string> inXml;
    };
    const std::vector<Case> cases{
        {"NAV_50FPS.XPL",
         4,
         kNav50Ogm,
         {"<ChapterTimeStart>00:45:00.200000000</ChapterTimeStart>",
          "<ChapterString>Die Br\xC3\xBC"
          "cke &lt;Teil 2&gt;</ChapterString>",
          "<ChapterLanguage>ger</ChapterLanguage>"}},
        {"NAV_60FPS.XPL",
         3,
         "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Chapter 01\nCHAPTER02=00:10:00.250\nCHAPTER02NAME=D\xC3\xA9"
         "part\nCHAPTER03=00:20:30.983\nCHAPTER03NAME=Chapter 03\n",
         {"<ChapterTimeStart>00:20:30.983333333</ChapterTimeStart>", "<ChapterLanguage>fre</ChapterLanguage>"}},
    };
    for (const Case& c : cases) {
        ChapterBench bench(fixturePlaylist(c.playlist));
        bench.demux(true);
        for (const char* kind : {".txt", ".xml"}) {
            Muxed muxed = muxWithChapters(bench.dir, bench.out + "/FEATURE_1.chapters" + kind);
            EXPECT_EQ(muxed.entries, c.chapters) << c.playlist << kind;
            EXPECT_EQ(muxed.simple, c.simple) << c.playlist << kind;
            // Only the XML file carries the language and the nanoseconds.
            if (std::string(kind) == ".txt") continue;
            for (const std::string& part : c.inXml) EXPECT_TRUE(has(muxed.xml, part)) << c.playlist << part;
        }
    }
}
