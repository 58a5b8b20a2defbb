// strandex-cli --report on real runs: the JSON of read, demux and xpl read
// back by the strict reader (and by python3's json module), the report an
// unwritable path makes an error, and the new options' parsing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <sys/stat.h>

#include "cli/cli_run.h"
#include "support/engine_checks.h"
#include "support/failing_files.h"
#include "support/fixture_files.h"
#include "support/json_value.h"
#include "support/report_streams.h"
#include "support/pack_builder.h"
#include "support/run_cli.h"

using namespace strandex;
using namespace strandex::test;

namespace {

const std::string kPlaylist = fixture("xpl/VPLST000.XPL");

// VC-1 in video slot 0 (PTS 1 s, 24 frames), Dolby Digital in audio slot 1
// (PTS 1.333 s).
Bytes sampleStream() {
    Pes video;
    video.streamId = 0xFD;
    video.pts = 90000;
    video.dts = 90000;
    video.streamIdExtension = 0x55;
    for (int k = 0; k < 24; ++k) video.payload += {0x00, 0x00, 0x01, 0x0D, 0x3F};
    return pack({pesPacket(video), privateStream1(ac3Payload(0x81, {0x0B, 0x77, 0x00}), 120000)});
}

// The disc's first feature file as the playlist's title names it: VC-1,
// DD+ in audio slots 0 and 1, a subpicture in slot 0.
std::string makeDisc(const TempDir& dir) {
    ::mkdir(dir.file("HVDVD_TS").c_str(), 0755);
    return dir.write("HVDVD_TS/FEATURE_1.EVO",
                     pack({vc1Packet(0x55, {0x00, 0x00, 0x01, 0x0D, 0x3F}),
                           privateStream1(ac3Payload(0xC0, {0x0B, 0x77, 0x10}), 90000),
                           privateStream1(ac3Payload(0xC1, {0x0B, 0x77, 0x11}), 90000),
                           privateStream1(subpicturePayload(0x20, {0x00, 0x08}), 90000)}));
}

// The report file, read back strictly; python3's reader must take it too.
JsonValue readReport(const std::string& path) {
    std::string command =
        "python3 -c 'import json,sys; json.load(open(sys.argv[1], encoding=\"utf-8\"))' '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << path;
    return parseJson(text(readFile(path)));
}

// The "First PTS" values of the log, in order.
std::vector<std::int64_t> loggedPts(const std::string& log) {
    std::vector<std::int64_t> values;
    std::regex line("   First PTS = ([0-9A-F]{8})");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), line); it != std::sregex_iterator(); ++it)
        values.push_back(std::stoll((*it)[1].str(), nullptr, 16));
    return values;
}

}  // namespace

TEST(CliReport, ReadReportsTheSourceAndEachStreamAndLeavesTheLogAlone) {
    TempDir dir;
    std::string source = dir.write("sample.EVO", sampleStream());
    std::string report = dir.file("report.json");
    CliResult plain = runCli(dir, {"read", source});
    CliResult r = runCli(dir, {"read", source, "--report", report});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, plain.out);
    JsonValue j = readReport(report);
    EXPECT_EQ(j["source"].text, source);
    ASSERT_EQ(j["parts"].items.size(), 1u);
    EXPECT_EQ(j["parts"][0].text, source);
    EXPECT_EQ(j["size"].integer, static_cast<std::int64_t>(sampleStream().size()));
    EXPECT_EQ(slotsOf(j), (std::vector<std::string>{"video0", "audio1"}));
    const JsonValue& video = streamOf(j, "video0");
    EXPECT_EQ(video["id"].text, "0xFD55");
    EXPECT_EQ(video["type"].text, "VC-1");
    EXPECT_EQ(video["caption"].text, "VC-1.stream.0");
    EXPECT_EQ(video["first_pts"].integer, 90000);
    EXPECT_EQ(video["delay_ms"].integer, 0);
    EXPECT_EQ(video["frames"].integer, 24);
    EXPECT_EQ(video["language"].text, "und");
    const JsonValue& audio = streamOf(j, "audio1");
    EXPECT_EQ(audio["id"].text, "0x81");
    EXPECT_EQ(audio["type"].text, "DD");
    EXPECT_EQ(audio["caption"].text, "DD.stream.01");
    EXPECT_EQ(audio["first_pts"].integer, 120000);
    EXPECT_EQ(audio["delay_ms"].integer, 333);  // 30000 ticks
    EXPECT_FALSE(j.has("title"));
    EXPECT_EQ(loggedPts(r.out), (std::vector<std::int64_t>{90000, 120000}));
}

TEST(CliReport, DemuxOfAnFfmpegVobHasTheLoggedPtsAndTheDelaysFfprobeGives) {
    TempDir dir;
    std::string source = fixture("two_ac3.vob");
    std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    std::string report = dir.file("report.json");
    CliResult r = runCli(dir, {"demux", source, "-o", out, "--report", report});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    JsonValue j = readReport(report);
    EXPECT_EQ(slotsOf(j), (std::vector<std::string>{"video0", "audio0", "audio1"}));
    std::vector<std::int64_t> shown;
    for (const auto& s : j["streams"].items) shown.push_back(s["first_pts"].integer);
    EXPECT_EQ(shown, loggedPts(r.out));
    EXPECT_EQ(streamOf(j, "video0")["id"].text, "0xE0");
    EXPECT_EQ(streamOf(j, "video0")["type"].text, "MPEG-2");
    EXPECT_EQ(streamOf(j, "audio1")["id"].text, "0x81");
    // two_ac3.probe.txt: ffprobe's first video PTS 48600, both audio 48120.
    EXPECT_EQ(streamOf(j, "audio0")["delay_ms"].integer, -5);
    EXPECT_EQ(streamOf(j, "audio1")["delay_ms"].integer, -5);
    EXPECT_EQ(j["size"].integer, static_cast<std::int64_t>(readFile(source).size()));
    // Where the Demux output is named, it is the file Demux wrote.
    for (const auto& s : j["streams"].items)
        if (s.has("file")) {
            EXPECT_EQ(s["file"].text.rfind(out + "/", 0), 0u) << s["file"].text;
            EXPECT_FALSE(readFile(s["file"].text).empty()) << s["file"].text;
        }
}

TEST(CliReport, DemuxAfterThePlaylistReportsTheMetStreamsWithThePlaylistsCaptions) {
    TempDir dir;
    std::string source = makeDisc(dir);
    std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    std::string report = dir.file("report.json");
    CliResult r = runCli(dir, {"demux", source, "--xpl", kPlaylist, "-o", out, "--report", report});
    EXPECT_EQ(r.exitCode, 0);
    JsonValue j = readReport(report);
    EXPECT_EQ(slotsOf(j), (std::vector<std::string>{"video0", "audio0", "audio1", "sub0"}));
    EXPECT_EQ(streamOf(j, "audio1")["id"].text, "0xC1");
    EXPECT_EQ(streamOf(j, "audio1")["type"].text, "DD+");
    EXPECT_EQ(streamOf(j, "audio1")["caption"].text, "DD+.6ch.stream.01.de");
    EXPECT_EQ(streamOf(j, "sub0")["id"].text, "0x20");
    EXPECT_EQ(streamOf(j, "sub0")["caption"].text, "2bitRLE.stream.00.en");
    EXPECT_EQ(j["parts"][0].text, source);
}

TEST(CliReport, XplAloneReportsTheTitlesTracks) {
    TempDir dir;
    std::string report = dir.file("report.json");
    CliResult r = runCli(dir, {"xpl", kPlaylist, "--source", "/disc/HVDVD_TS/FEATURE_1.EVO", "--report", report});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    JsonValue j = readReport(report);
    EXPECT_EQ(j["source"].text, "/disc/HVDVD_TS/FEATURE_1.EVO");
    EXPECT_TRUE(j["parts"].items.empty());  // no source file was read
    EXPECT_FALSE(j.has("size"));
    EXPECT_EQ(slotsOf(j), (std::vector<std::string>{"video0", "audio0", "audio1", "audio2", "sub0", "sub1"}));
    std::vector<std::string> types, captions;
    for (const auto& s : j["streams"].items) {
        types.push_back(s["type"].text);
        captions.push_back(s["caption"].text);
        EXPECT_FALSE(s.has("id")) << s["slot"].text;  // nothing was read of the streams themselves
        EXPECT_FALSE(s.has("first_pts")) << s["slot"].text;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"VC-1", "DD+", "DD+", "DD", "2bitRLE", "2bitRLE"}));
    EXPECT_EQ(captions, (std::vector<std::string>{"VC-1.stream.0", "DD+.6ch.stream.00.en", "DD+.6ch.stream.01.de",
                                                  "DD.2ch.stream.02.en", "2bitRLE.stream.00.en",
                                                  "2bitRLE.stream.01.fran\xC3\xA7"
                                                  "ais"}));
}

TEST(CliReport, PlaylistCaptionsThatWouldBreakJsonAreEscaped) {
    // A description with a backslash, a Latin-1 byte and a quote of the
    // other kind. (The playlist scanner itself turns control bytes into
    // blanks; the report's own escaping of them is checked on names.)
    TempDir dir;
    std::string playlist = text(readFile(kPlaylist));
    const std::string plain = "<Subtitle track=\"1\" streamNumber=\"1\" mediaAttr=\"1\" description=\"en\"";
    std::size_t at = playlist.find(plain);
    ASSERT_NE(at, std::string::npos);
    playlist.replace(at + plain.size() - 3, 2, "a\\b\xE7'");
    std::string path = dir.write("VPLST000.XPL", Bytes(playlist.begin(), playlist.end()));
    std::string report = dir.file("report.json");
    CliResult r = runCli(dir, {"xpl", path, "--source", "/disc/HVDVD_TS/FEATURE_1.EVO", "--report", report});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_NE(r.out.find("2bitRLE.stream.00.a\\b\xE7' found!"), std::string::npos) << r.out;
    JsonValue j = readReport(report);
    EXPECT_EQ(streamOf(j, "sub0")["caption"].text, "2bitRLE.stream.00.a\\b\xEF\xBF\xBD'");
    std::string raw = text(readFile(report));
    EXPECT_NE(raw.find("\"2bitRLE.stream.00.a\\\\b\xEF\xBF\xBD'\""), std::string::npos) << raw;
}

TEST(CliReport, AReportThatCannotBeWrittenIsACreateError) {
    TempDir dir;
    std::string source = dir.write("sample.EVO", sampleStream());
    CliResult plain = runCli(dir, {"read", source});
    std::string missing = dir.file("nowhere/report.json");
    CliResult r = runCli(dir, {"read", source, "--report", missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, plain.out);  // the command ran; only the report failed
    EXPECT_EQ(r.err, "Cannot create file \"" + missing + "\". No such file or directory\n");
    CliResult folder = runCli(dir, {"read", source, "--report", dir.path()});
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_EQ(folder.err, "Cannot create file \"" + dir.path() + "\". Is a directory\n");
    // A command that fails writes no report.
    std::string report = dir.file("report.json");
    CliResult failed = runCli(dir, {"read", dir.file("nothere.EVO"), "--report", report});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_FALSE(fileExists(report));
}

TEST(CliReport, RebuildReportsTheScanOrAfterThePlaylistTheTitlesTracks) {
    TempDir dir;
    std::string source = makeDisc(dir);
    std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    std::string report = dir.file("report.json");
    ASSERT_EQ(runCli(dir, {"rebuild", source, "-o", out, "--report", report}).exitCode, 0);
    JsonValue scanned = readReport(report);
    EXPECT_EQ(streamOf(scanned, "audio1")["id"].text, "0xC1");  // met by Read EVO
    EXPECT_EQ(scanned["parts"][0].text, source);
    ASSERT_EQ(runCli(dir, {"rebuild", source, "--xpl", kPlaylist, "-o", out, "--report", report}).exitCode, 0);
    JsonValue listed = readReport(report);
    EXPECT_EQ(slotsOf(listed), (std::vector<std::string>{"video0", "audio0", "audio1", "audio2", "sub0", "sub1"}));
    EXPECT_FALSE(streamOf(listed, "audio1").has("id"));
    EXPECT_EQ(listed["parts"][0].text, source);  // Rebuild read it
}

TEST(CliReport, AReportCutShortByAFullDiskIsAWriteError) {
    TempDir dir;
    std::string source = dir.write("sample.EVO", sampleStream());
    std::string report = dir.file("report.json");
    FailingFiles files;
    files.fillAfter("report.json", 10);
    MemoryFrontEnd ui;
    Session session(ui);
    std::ostringstream listing;
    try {
        runCommand(parseOptions({"read", source, "--report", report}), session, ui, listing);
        ADD_FAILURE() << "no error";
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), kStreamWriteError);
    }
    EXPECT_EQ(ui.logLines.back(), "24 frames (0:00:01 s) count in video stream 0.");  // the command had ended
}

TEST(CliReport, TheNewOptionsSetTheirSwitchesAndAreForTheirCommands) {
    TempDir dir;
    std::string source = dir.write("sample.EVO", sampleStream());
    std::string out = dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    for (bool on : {false, true}) {
        std::vector<std::string> args{"demux", source, "-o", out};
        if (on) args.insert(args.end(), {"--codec-files", "--chapters"});
        MemoryFrontEnd ui;
        Session session(ui);
        std::ostringstream listing;
        runCommand(parseOptions(args), session, ui, listing);
        EXPECT_EQ(ui.ticked(Box::cbCodecFiles), on);
        EXPECT_EQ(session.writeChapters, on);
    }
    expectUsageErrors(dir, {
        {"read", source, "--report"},
        {"read", source, "--report", ""},
        {"read", source, "--codec-files"},
        {"rebuild", source, "--codec-files"},
        {"xpl", kPlaylist, "--chapters"},
        {"read", source, "--chapters"},
    });
    CliResult help = runCli(dir, {"--help"});
    for (const char* option : {"--codec-files", "--chapters", "--report FILE"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
}
