// strandex-cli xpl, and demux and rebuild with --xpl: the playlist's log
// lines, the tree, the memo and the boxes on stdout, errors on stderr.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "playlist/xpl_scanner.h"
#include "support/engine_checks.h"
#include "support/pack_builder.h"
#include "support/run_cli.h"

using namespace strandex;
using namespace strandex::test;

namespace {

const std::string kPlaylist = std::string(STRANDEX_FIXTURES) + "/xpl/VPLST000.XPL";

const std::string kPlaylistLog =
    "Open VPLST000.XPL\n"
    "Filesize: 4216 bytes\n"
    "VC-1.stream.0 found!\n"
    "DD+.6ch.stream.00.en found!\n"
    "DD+.6ch.stream.01.de found!\n"
    "DD.2ch.stream.02.en found!\n"
    "2bitRLE.stream.00.en found!\n"
    "2bitRLE.stream.01.fran\xC3\xA7"
    "ais found!\n"
    "Done.\n";

// The disc's first feature file: VC-1 video, DD+ in audio streams 0 and 1,
// a subpicture.
Bytes featureStream() {
    return pack({vc1Packet(0x55, {0x00, 0x00, 0x01, 0x0D, 0x3F}),
                 privateStream1(ac3Payload(0xC0, {0x0B, 0x77, 0x10}), 90000),
                 privateStream1(ac3Payload(0xC1, {0x0B, 0x77, 0x11}), 90000),
                 privateStream1(subpicturePayload(0x20, {0x00, 0x08}), 90000)});
}

std::string makeDisc(const TempDir& dir) {
    ::mkdir(dir.file("HVDVD_TS").c_str(), 0755);
    return dir.write("HVDVD_TS/FEATURE_1.EVO", featureStream());
}

}  // namespace

TEST(CliXpl, LogBoxesAndTreeOfTheSourcesTitle) {
    TempDir dir;
    CliResult r = runCli(dir, {"xpl", kPlaylist, "--source", "/disc/HVDVD_TS/FEATURE_1.EVO", "--tree", "--boxes"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    std::string boxes =
        "cbVideo0\t1\t1\tVC-1.stream.0\ncbVideo1\t0\t0\tNo video stream\n"
        "cbAudio00\t1\t1\tDD+.6ch.stream.00.en\ncbAudio01\t1\t1\tDD+.6ch.stream.01.de\n"
        "cbAudio02\t1\t1\tDD.2ch.stream.02.en\n";
    for (int n = 3; n < 16; ++n)
        boxes += std::string(n < 10 ? "cbAudio0" : "cbAudio") + std::to_string(n) + "\t0\t0\tNo audio stream\n";
    boxes +=
        "cbSub00\t1\t1\t2bitRLE.stream.00.en\ncbSub01\t1\t1\t2bitRLE.stream.01.fran\xC3\xA7"
        "ais\n";
    for (int n = 2; n < 16; ++n)
        boxes += std::string(n < 10 ? "cbSub0" : "cbSub") + std::to_string(n) + "\t0\t0\tNo subpicture\n";
    std::string tree =
        "Info\n  Title: Strandex Testdisc\n  Name: Die Z\xC3\xB6pfe\n  Duration: 01:42:17:30\n"
        "Video\n  VC-1.stream.0\n"
        "Audio\n  DD+.6ch.stream.00.en\n  DD+.6ch.stream.01.de\n  DD.2ch.stream.02.en\n"
        "Subtitle\n  2bitRLE.stream.00.en\n  2bitRLE.stream.01.fran\xC3\xA7"
        "ais\n"
        "Chapter\n  00:00:00:00: Anfang\n  00:12:40:10: \xC3\x9C"
        "ber und unter\n  00:51:08:45: Zweite Datei\n";
    EXPECT_EQ(r.out, kPlaylistLog + boxes + tree);
}

TEST(CliXpl, WithoutSourceTheMemoHoldsEveryTag) {
    TempDir dir;
    Bytes playlist = readFile(kPlaylist);
    std::string memo;
    XplScanner scanner([&](const std::string& line) { memo += line + "\n"; });
    scanner.scan(playlist.data(), playlist.size());
    CliResult r = runCli(dir, {"xpl", kPlaylist, "--memo", "--tree"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "Open VPLST000.XPL\nFilesize: 4216 bytes\nDone.\nVideo\nAudio\nSubpicture\nChapter\n" + memo);
    EXPECT_EQ(memo.substr(0, memo.find('\n', memo.find('\n') + 1)),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<!-- Strandex test disc: a trailer, a feature split over two EVO files, a making-of -->");
}

// Without the source's title the tree keeps what it starts with, the four
// items the window's tree starts with.
TEST(CliXpl, ATreeWithoutTheSourcesTitleHoldsTheFourStartingItems) {
    TempDir dir;
    CliResult r = runCli(dir, {"xpl", kPlaylist, "--source", "/disc/HVDVD_TS/FEATURE_3.EVO", "--tree"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Open VPLST000.XPL\nFilesize: 4216 bytes\nDone.\nVideo\nAudio\nSubpicture\nChapter\n");
}

TEST(CliXpl, ErrorsGoToStderrWithExitOne) {
    TempDir dir;
    std::string missing = dir.file("VPLST000.XPL");
    CliResult r = runCli(dir, {"xpl", missing, "--memo"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Cannot open file \"" + missing + "\". No such file or directory\n");

    std::string bad = "<Playlist>\n  <AudioAttributeItem index=\"one\" codec=\"DD\"/>\n</Playlist>\n";
    std::string path = dir.write("BAD.XPL", Bytes(bad.begin(), bad.end()));
    r = runCli(dir, {"xpl", path, "--boxes"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "Open BAD.XPL\nFilesize: " + std::to_string(bad.size()) + " bytes\n");
    EXPECT_EQ(r.err, "'one' is not a valid integer value\n");
}

TEST(CliXpl, DemuxNamesItsOutputsByThePlaylist) {
    TempDir dir;
    std::string source = makeDisc(dir);
    std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    CliResult r = runCli(dir, {"demux", source, "--xpl", kPlaylist, "-o", out, "--streams", "audio1,sub1"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    // Subpicture stream 1 is offered by the playlist but not in the file:
    // its output stays empty.
    EXPECT_EQ(r.out, kPlaylistLog +
                         "Opening file FEATURE_1.EVO\nFile size: 0 Mbytes.\n"
                         "Creating " +
                         out +
                         "/FEATURE_1.DD+.6ch.stream.01.de.mpa\n"
                         "Creating " +
                         out +
                         "/FEATURE_1.2bitRLE.stream.01.fran\xC3\xA7"
                         "ais.sup\n"
                         "Done.\n");
    EXPECT_EQ(readFile(out + "/FEATURE_1.DD+.6ch.stream.01.de.mpa"), (Bytes{0x0B, 0x77, 0x11}));
    EXPECT_EQ(readFile(out + "/FEATURE_1.2bitRLE.stream.01.fran\xC3\xA7"
                             "ais.sup"),
              Bytes{});
}

TEST(CliXpl, RebuildAfterThePlaylistKeepsEveryPack) {
    TempDir dir;
    std::string source = makeDisc(dir);
    std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    CliResult r = runCli(dir, {"rebuild", source, "--xpl", kPlaylist, "-o", out, "--streams", "video0"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kPlaylistLog + "Opening file FEATURE_1.EVO\nFile size: 0 Mbytes.\nCreating " + out +
                         "/FEATURE_1.rebuilt.EVO\nDone.\n");
    EXPECT_EQ(readFile(out + "/FEATURE_1.rebuilt.EVO").size(), featureStream().size());
}

TEST(CliXpl, UsageErrors) {
    TempDir dir;
    expectUsageErrors(dir, {
        {"xpl"},
        {"read", "a.EVO", "--xpl", kPlaylist},
        {"xpl", kPlaylist, "--xpl", kPlaylist},
        {"demux", "a.EVO", "--source", "b.EVO"},
        {"xpl", kPlaylist, "--source"},
    });
}
