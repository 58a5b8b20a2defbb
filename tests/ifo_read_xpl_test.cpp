// Read XPL on a DVD title set's IFO, as the window and the console run it:
// the log, the boxes and their captions, the id tables, the tree and the
// facts the chapter files, the report and the mux plan are made from.
#include <gtest/gtest.h>

#include <sstream>

#include "playlist/read_xpl_command.h"
#include "support/command_bench.h"
#include "support/fixture_files.h"
#include "support/run_cli.h"
#include "support/run_tool.h"

using namespace strandex;
using namespace strandex::test;

namespace {

std::string titleSetFile(const std::string& set, const std::string& name) {
    return fixture("dvd/" + set + "/VIDEO_TS/" + name);
}

struct IfoBench : CommandBench {
    std::vector<std::string> readIfo(const std::string& set) {
        ui.setText(Edit::eEVOfile, titleSetFile(set, "VTS_01_1.VOB"));
        EVOadj(session, dialogs);
        ui.setText(Edit::eXPLfile, titleSetFile(set, "VTS_01_0.IFO"));
        XPLadj(session, dialogs);
        return linesOf(bReadXPLClick);
    }
};

}  // namespace

TEST(ReadXplOnIfo, PalTitleLogBoxesAndFacts) {
    IfoBench bench;
    const std::vector<std::string> log = bench.readIfo("pal");
    const std::vector<std::string> expected{"Open VTS_01_0.IFO",      "Filesize: 12288 bytes",
                                            "MPEG-2.stream.0 found!", "DD.2ch.stream.00.en found!",
                                            "Subpicture.stream.00.de found!", "Done."};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(enabledBoxes(bench.ui), (std::vector<Box>{Box::cbVideo0, Box::cbAudio00, Box::cbSub00}));
    EXPECT_TRUE(bench.ui.ticked(Box::cbAudio00));
    EXPECT_EQ(bench.ui.caption(Box::cbAudio00), "DD.2ch.stream.00.en");
    EXPECT_EQ(bench.ui.caption(Box::cbSub00), "Subpicture.stream.00.de");
    EXPECT_EQ(bench.session.table.VideoIds[0], 1);
    EXPECT_EQ(bench.session.table.VideoIds[1], -1);
    EXPECT_EQ(bench.session.table.AudioIds[0], 1);
    EXPECT_EQ(bench.session.table.AudioIds[1], -1);
    EXPECT_EQ(bench.session.table.SubpictureIds[0], 1);

    const PlaylistFacts& facts = bench.session.playlist;
    EXPECT_TRUE(facts.titleFound);
    EXPECT_TRUE(facts.fromIfo);
    EXPECT_EQ(facts.sourceBase, "VTS_01_1");
    EXPECT_EQ(facts.durationMs, 4000);
    EXPECT_EQ(facts.frameWidth, 720);
    EXPECT_EQ(facts.frameHeight, 576);
    EXPECT_TRUE(facts.hasPalette);
    EXPECT_EQ(facts.palette[0], 0x52f05au);
    EXPECT_EQ(facts.palette[2], 0xeb8080u);
    EXPECT_TRUE(facts.audio[0].listed);
    EXPECT_EQ(facts.audio[0].language, "en");
    EXPECT_FALSE(facts.audio[1].listed);
    EXPECT_TRUE(facts.sub[0].listed);
    EXPECT_EQ(facts.sub[0].language, "de");
    ASSERT_EQ(facts.chapters.size(), 3u);
    EXPECT_EQ(facts.chapters[1].startMs, 1200);
    EXPECT_EQ(facts.chapters[1].startNs, 1'200'000'000);
    EXPECT_EQ(facts.chapters[2].name, "Chapter 03");
}

// The second audio stream is MPEG audio, stream id 0xC1: listed, no box.
TEST(ReadXplOnIfo, NtscMpegAudioHasNoBox) {
    IfoBench bench;
    const std::vector<std::string> log = bench.readIfo("ntsc");
    EXPECT_EQ(log[3], "DD.2ch.stream.00.fr found!");
    EXPECT_EQ(log[4], "MPEG.2ch.stream.01.ja found!");
    EXPECT_EQ(enabledBoxes(bench.ui), (std::vector<Box>{Box::cbVideo0, Box::cbAudio00}));
    EXPECT_EQ(bench.session.table.AudioIds[1], -1);
    EXPECT_FALSE(bench.session.playlist.audio[1].listed);
    EXPECT_EQ(bench.session.playlist.chapters.at(1).startNs, 1'801'800'000);
    EXPECT_EQ(bench.session.playlist.frameHeight, 480);
}

// An IFO cut before its program chains: the streams it holds are offered,
// the lines say what was left out, and the command ends as ever.
TEST(ReadXplOnIfo, ShortIfoGivesWhatCouldBeRead) {
    IfoBench bench;
    Bytes ifo = readFile(titleSetFile("pal", "VTS_01_0.IFO"));
    ifo.resize(0x300);
    bench.ui.setText(Edit::eXPLfile, bench.dir.write("VTS_01_0.IFO", ifo));
    XPLadj(bench.session, bench.dialogs);
    const std::vector<std::string> log = bench.linesOf(bReadXPLClick);
    EXPECT_EQ(log.back(), "Done.");
    EXPECT_NE(std::find(log.begin(), log.end(), "DD.2ch.stream.00.en found!"), log.end());
    EXPECT_NE(std::find_if(log.begin(), log.end(),
                           [](const std::string& l) { return l.rfind("IFO: program chain table at byte", 0) == 0; }),
              log.end());
    EXPECT_TRUE(bench.session.playlist.chapters.empty());
    EXPECT_FALSE(bench.session.playlist.hasPalette);
}

TEST(ReadXplOnIfo, ConsoleXplTakesAnIfo) {
    TempDir dir;
    CliResult r = runCli(dir, {"xpl", titleSetFile("pal", "VTS_01_0.IFO"), "--source", titleSetFile("pal", "VTS_01_1.VOB"),
                               "--tree"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "Open VTS_01_0.IFO\nFilesize: 12288 bytes\nMPEG-2.stream.0 found!\nDD.2ch.stream.00.en found!\n"
              "Subpicture.stream.00.de found!\nDone.\n"
              "Info\n  Title: PGC 1\n  Duration: 00:00:04.000\n  Frame size: 720x576\nVideo\n  MPEG-2.stream.0\n"
              "Audio\n  DD.2ch.stream.00.en\nSubtitle\n  Subpicture.stream.00.de\n"
              "Chapter\n  00:00:00.000: Chapter 01\n  00:00:01.200: Chapter 02\n  00:00:03.000: Chapter 03\n");
}

// The chapter start times Demux writes from the IFO are those mkvextract
// writes of mkvmerge's own reading of the DVD folder, to the nanosecond
// (its simple format cuts 1.8018 s to 1.801, where ours rounds); the mux
// plan gives the audio its language.
TEST(ReadXplOnIfo, ChapterFileEqualsMkvmergesReadingOfTheFolder) {
    auto startLines = [](const std::string& xml) {
        std::string starts;
        std::istringstream lines(xml);
        for (std::string line; std::getline(lines, line);)
            if (line.find("<ChapterTimeStart>") != std::string::npos) starts += line.substr(line.find('<')) + "\n";
        return starts;
    };
    for (const char* set : {"pal", "ntsc"}) {
        TempDir dir;
        const std::string ifo = titleSetFile(set, "VTS_01_0.IFO"), vob = titleSetFile(set, "VTS_01_1.VOB");
        CliResult demux = runCli(dir, {"demux", vob, "--xpl", ifo, "--mux-plan", "-o", dir.path()});
        ASSERT_EQ(demux.exitCode, 0) << demux.err;
        const std::string mkv = dir.file("reference.mkv");
        CliResult made = runTool(dir, {"mkvmerge", "-q", "-o", mkv, "--chapters", ifo, vob});
        ASSERT_EQ(made.exitCode, 0) << made.out << made.err;
        const std::string reference = startLines(runTool(dir, {"mkvextract", mkv, "chapters", "-"}).out);
        EXPECT_NE(reference, "");
        EXPECT_EQ(startLines(text(readFile(dir.file("VTS_01_1.chapters.xml")))), reference) << set;
        const std::string plan = text(readFile(dir.file("VTS_01_1.mkvmerge.json")));
        EXPECT_NE(plan.find(std::string("\"0:") + (set == std::string("pal") ? "en" : "fr") + "\""), std::string::npos)
            << plan;
    }
}
