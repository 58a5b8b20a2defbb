// The mux plan, BASE.mkvmerge.json: the arguments each track gets and their
// order; a file that stays valid JSON whatever the playlist calls the title
// and tracks; absolute paths where the output folder was given relative;
// the offsets that keep every track at or above 0 when a stream starts
// before the video; and `demux --mux-plan`, which writes the plan beside
// the streams and makes no MKV.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "commands/demux_command.h"
#include "mux/mux_plan.h"
#include "playlist/read_xpl_command.h"
#include "support/command_bench.h"
#include "support/engine_checks.h"
#include "support/fixture_files.h"
#include "support/json_value.h"
#include "support/mux_sources.h"
#include "support/run_cli.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Args = std::vector<std::string>;

// The plan file read back by the strict reader: an array of strings.
Args planArguments(const std::string& path) {
    JsonValue plan = parseJson(text(readFile(path)));
    EXPECT_EQ(plan.kind, JsonValue::Kind::array);
    Args args;
    for (const JsonValue& item : plan.items) {
        EXPECT_EQ(item.kind, JsonValue::Kind::string);
        args.push_back(item.text);
    }
    return args;
}

// The value after the n-th (from 0) occurrence of the option.
std::string valueOf(const Args& args, const std::string& option, int n = 0) {
    for (std::size_t k = 0; k + 1 < args.size(); ++k)
        if (args[k] == option && n-- == 0) return args[k + 1];
    return "<none>";
}

long countOf(const Args& args, const std::string& option) { return std::count(args.begin(), args.end(), option); }

// Names no file system or JSON writer should take for granted: quotes,
// backslashes, a tab, an apostrophe and characters beyond ASCII, as XML
// references and as they stand.
const char* kHostilePlaylist = R"(<?xml version="1.0" encoding="UTF-8"?>
<Playlist xmlns="http://www.dvdforum.org/2005/HDDVDVideo/Playlist" displayName="Disc">
<MediaAttributeList>
<VideoAttributeItem index="1" codec="VC-1"/>
<AudioAttributeItem index="1" codec="DD+" channels="2"/>
<AudioAttributeItem index="2" codec="DD" channels="6"/>
<SubpictureAttributeItem index="1" codec="2bitRLE"/>
</MediaAttributeList>
<TitleSet defaultLanguage="ja">
<Title id="T1" titleNumber="1" displayName="Say &quot;cheese&quot; \ C:\new\ Größe 日本" titleDuration="00:01:00:00">
<PrimaryAudioVideoClip src="file:///dvddisc/HVDVD_TS/FEATURE_1.MAP">
<Video track="1" mediaAttr="1"/>
<Audio track="1" streamNumber="1" mediaAttr="1" description="en"/>
<Audio track="2" streamNumber="2" mediaAttr="2" description="fr"/>
<Subtitle track="1" streamNumber="1" mediaAttr="1" description="en"/>
</PrimaryAudioVideoClip>
<ChapterList>
<Chapter titleTimeBegin="00:00:00:00" displayName="&quot;One&quot; \ un"/>
</ChapterList>
<TrackNavigationList>
<AudioTrack track="1" langcode="en:00" description="Director&apos;s &quot;cut&quot; \\ tab&#9;end" selectable="true"/>
<AudioTrack track="2" langcode="fr:00" description="Français ½ &lt;5.1&gt;" selectable="true"/>
<SubtitleTrack track="1" langcode="en:00" description="Forced" forced="true"/>
</TrackNavigationList>
</Title>
</TitleSet>
</Playlist>
)";

Bytes vc1Frames(int n) {
    Bytes b;
    for (int k = 0; k < n; ++k) b += {0x00, 0x00, 0x01, 0x0D, 0x42, 0x42, 0x42, 0x42};
    return b;
}

// VC-1 in video slot 0, E-AC-3 in audio slot 0, AC-3 in audio slot 1 and
// a subpicture in slot 0.
Bytes feature() {
    return pack({vc1Packet(0x55, vc1Frames(3)),
                 privateStream1(ac3Payload(0xC0, head(readFile(fixture("eac3_stereo.eac3")), 600)), 90000),
                 privateStream1(ac3Payload(0x81, head(readFile(fixture("ac3_51.ac3")), 600)), 90000),
                 privateStream1(subpicturePayload(0x20, {0x00, 0x20, 0x00, 0x10}), 90000)});
}

class MuxPlanDemux : public ::testing::Test, protected CommandBench {
protected:
    MuxPlanDemux() { session.writeMuxPlan = true; }
    void readXpl(const char* playlist) {
        write("FEATURE_1.EVO", feature());
        choose();
        std::string text = playlist;
        dir.write("VPLST000.XPL", Bytes(text.begin(), text.end()));
        ui.setText(Edit::eXPLfile, dir.file("VPLST000.XPL"));
        XPLadj(session, dialogs);
        bReadXPLClick(session);
    }
};

// Runs in the folder given, and goes back to where it was.
struct WorkingFolder {
    explicit WorkingFolder(const std::string& folder) : before(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~WorkingFolder() { std::filesystem::current_path(before); }
    std::filesystem::path before;
};

}  // namespace

// Each track's options come before its file; --forced-display-flag only on
// subtitles, --sync only where the offset is not 0, --default-duration only
// where the plan has a rate.
TEST(MuxArguments, EachTrackGetsItsOptionsBeforeItsFile) {
    MuxPlan plan;
    plan.output = "/o/A.mkv";
    plan.title = "A";
    plan.chapters = "/o/A.chapters.txt";
    plan.chapterLanguage = "ger";
    plan.tracks = {{Box::cbVideo0, "/o/v.vc1", "und", "VC-1", true, false, false, 0, "24000/1001p"},
                   {Box::cbAudio00, "/o/a.eac3", "de", "DD+ 5.1", true, false, false, 40, ""},
                   {Box::cbSub00, "/o/s.x", "en", "Forced", false, true, true, 0, ""},
                   {subBox(1), "/o/t.x", "fr", "Full", false, true, false, 0, ""}};
    EXPECT_EQ(muxArguments(plan),
              (Args{"--output", "/o/A.mkv", "--title", "A", "--chapter-language", "ger", "--chapter-charset", "UTF-8",
                    "--chapters", "/o/A.chapters.txt",
                    "--language", "0:und", "--track-name", "0:VC-1", "--default-track-flag", "0:yes",
                    "--default-duration", "0:24000/1001p", "/o/v.vc1",
                    "--language", "0:de", "--track-name", "0:DD+ 5.1", "--default-track-flag", "0:yes",
                    "--sync", "0:40", "/o/a.eac3",
                    "--language", "0:en", "--track-name", "0:Forced", "--default-track-flag", "0:no",
                    "--forced-display-flag", "0:yes", "/o/s.x",
                    "--language", "0:fr", "--track-name", "0:Full", "--default-track-flag", "0:no",
                    "--forced-display-flag", "0:no", "/o/t.x"}));
    plan.chapters.clear();
    EXPECT_EQ(countOf(muxArguments(plan), "--chapters"), 0);
    EXPECT_EQ(countOf(muxArguments(plan), "--chapter-language"), 0);
}

TEST(MuxPlanJson, EveryStringComesBackAsItWasWhateverItHolds) {
    const Args hostile{"plain", "quote \" and \\ backslash", "tab\tnew\nline\r", std::string("nul\0x", 5),
                       "\x01\x1f\x7f", "Größe 日本 🎬", "</script>", ""};
    JsonValue read = parseJson(muxPlanJson(hostile));
    ASSERT_EQ(read.items.size(), hostile.size());
    for (std::size_t k = 0; k < hostile.size(); ++k) EXPECT_EQ(read.items[k].text, hostile[k]) << k;
    EXPECT_EQ(parseJson(muxPlanJson({})).items.size(), 0u);
}

// The output folder is given relative to the working folder; the plan
// names every file by its full path, as mkvmerge may run elsewhere.
TEST_F(MuxPlanDemux, HostileNamesStayValidJsonAndEveryPathIsAbsolute) {
    readXpl(kHostilePlaylist);
    WorkingFolder here(dir.path());
    ui.setText(Edit::eWorkdir, "out");
    std::vector<std::string> log;
    ASSERT_EQ(run(bDemuxClick, &log), "");
    Args args = planArguments(out + "/FEATURE_1.mkvmerge.json");
    ASSERT_FALSE(args.empty());
    EXPECT_EQ(valueOf(args, "--title"), "Say \"cheese\" \\ C:\\new\\ Größe 日本");
    EXPECT_EQ(valueOf(args, "--chapter-language"), "jpn");
    EXPECT_EQ(valueOf(args, "--track-name", 1), "0:Director's \"cut\" \\\\ tab\tend");
    EXPECT_EQ(valueOf(args, "--track-name", 2), "0:Français ½ <5.1>");
    EXPECT_EQ(valueOf(args, "--language", 1), "0:en");
    EXPECT_EQ(valueOf(args, "--language", 2), "0:fr");
    const std::string full = std::filesystem::path(out).lexically_normal().string() + "/FEATURE_1.";
    EXPECT_EQ(valueOf(args, "--output"), full + "mkv");
    EXPECT_EQ(valueOf(args, "--chapters"), full + "chapters.txt");
    // The files of the tracks: every path that is no option's value.
    Args files;
    for (std::size_t k = 1; k < args.size(); ++k)
        if (args[k].rfind(full, 0) == 0 && args[k - 1] != "--output" && args[k - 1] != "--chapters")
            files.push_back(args[k]);
    EXPECT_EQ(files, (Args{full + "VC-1.stream.0.vc1", full + "DD+.2ch.stream.00.en.eac3",
                           full + "DD.6ch.stream.01.fr.ac3"}));
    for (const std::string& file : files) EXPECT_TRUE(std::filesystem::exists(file)) << file;
    // The subpicture is left out, with its line after Demux's own.
    EXPECT_EQ(countOf(args, "--forced-display-flag"), 0);
    EXPECT_EQ(log.back(), "Subpicture stream 00 is not in the mux plan: mkvmerge does not read this format.");
    EXPECT_TRUE(std::filesystem::exists(full + "2bitRLE.stream.00.en.sup"));
    // A plan alone: no muxing.
    EXPECT_FALSE(std::filesystem::exists(full + "mkv"));
    EXPECT_EQ(std::count(log.begin(), log.end(), "Muxing FEATURE_1.mkv"), 0);
}

// Two of each kind: only the first video and the first audio track play by
// default. Read EVO names them by coding ("und", no playlist).
TEST_F(MuxPlanDemux, OnlyTheFirstVideoAndTheFirstAudioTrackAreDefault) {
    write("FEATURE_1.EVO", pack({vc1Packet(0x55, vc1Frames(3)), vc1Packet(0x56, vc1Frames(3))}) + feature());
    readEvo();
    ASSERT_EQ(run(bDemuxClick), "");
    Args args = planArguments(out + "/FEATURE_1.mkvmerge.json");
    EXPECT_EQ(countOf(args, "--default-track-flag"), 4);
    EXPECT_EQ(valueOf(args, "--default-track-flag", 0), "0:yes");
    EXPECT_EQ(valueOf(args, "--default-track-flag", 1), "0:no");
    EXPECT_EQ(valueOf(args, "--default-track-flag", 2), "0:yes");
    EXPECT_EQ(valueOf(args, "--default-track-flag", 3), "0:no");
    EXPECT_EQ(valueOf(args, "--track-name", 1), "0:VC-1");
    EXPECT_EQ(valueOf(args, "--language", 2), "0:und");
    EXPECT_EQ(valueOf(args, "--title"), "FEATURE_1");  // no playlist title
    EXPECT_EQ(countOf(args, "--chapters"), 0);       // nor its chapters
}

// The sample disc's plan as a whole: the title, the chapters in the
// playlist's language (none: "und"), the VC-1's rate from its sequence
// header, and the default flag on every track, yes only for the first
// video and the first audio track.
TEST(MuxPlanConsole, DemuxWithMuxPlanWritesThePlanOfTheSampleDiscAndNoMkv) {
    TempDir dir;
    DiscFolder disc = sampleDisc(dir);
    CliResult r = runCli(dir, {"demux", disc.source, "--xpl", disc.playlist, "-o", disc.out, "--mux-plan"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string at = disc.out + "/FEATURE_1_2.";
    EXPECT_EQ(planArguments(at + "mkvmerge.json"),
              (Args{"--output", at + "mkv", "--title", "The Braid", "--chapter-language", "und", "--chapter-charset",
                    "UTF-8", "--chapters", at + "chapters.txt",
                    "--language", "0:und", "--track-name", "0:VC-1", "--default-track-flag", "0:yes",
                    "--default-duration", "0:24000/1001p", at + "VC-1.stream.0.vc1",
                    "--language", "0:en", "--track-name", "0:DD+ 5.1", "--default-track-flag", "0:yes",
                    at + "DD+.6ch.stream.00.en.eac3",
                    "--language", "0:de", "--track-name", "0:DD+ 5.1", "--default-track-flag", "0:no",
                    at + "DD+.6ch.stream.01.de.eac3",
                    "--language", "0:en", "--track-name", "0:DD 5.1", "--default-track-flag", "0:no",
                    at + "DD.6ch.stream.02.en.ac3"}));
    const std::string tail =
        "Creating " + at + "mkvmerge.json\nDone.\n156 frames (0:00:06 s) count in video stream 0.\n"
        "Subpicture stream 00 is not in the mux plan: mkvmerge does not read this format.\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    EXPECT_FALSE(std::filesystem::exists(at + "mkv"));
    EXPECT_EQ(filesIn(disc.out).size(), 8u);  // 5 streams, 2 chapter files, the plan
}

// REAL_1's E-AC-3 is due 40 ms before the first picture, its AC-3 80 ms
// after it: every track is shifted by the 40 ms lead, so the E-AC-3 gets
// no --sync, the video and LPCM 40 and the AC-3 120.
TEST(MuxPlanConsole, AStreamBeforeTheVideoShiftsEveryTrackByItsLead) {
    TempDir dir;
    DiscFolder disc = realEvoDisc(dir);
    CliResult r = runCli(dir, {"demux", disc.source, "--xpl", disc.playlist, "-o", disc.out, "--mux-plan"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    Args args = planArguments(disc.out + "/REAL_1.mkvmerge.json");
    const std::string at = disc.out + "/REAL_1.";
    auto syncBefore = [&](const std::string& file) -> std::string {
        auto it = std::find(args.begin(), args.end(), file);
        if (it == args.end()) return "<no file>";
        for (auto k = it; k != args.begin() && *(k - 1) != "--default-track-flag"; --k)
            if (*(k - 1) == "--sync") return *k;
        return "<none>";
    };
    EXPECT_EQ(syncBefore(at + "AVC.stream.0.h264"), "0:40");
    EXPECT_EQ(syncBefore(at + "DD.2ch.stream.00.de.ac3"), "0:120");
    EXPECT_EQ(syncBefore(at + "DD+.2ch.stream.01.en.eac3"), "<none>");
    EXPECT_EQ(syncBefore(at + "LPCM.2ch.stream.02.fr.wav"), "0:40");
    EXPECT_EQ(countOf(args, "--sync"), 3);
    for (std::size_t k = 0; k + 1 < args.size(); ++k) {
        if (args[k] != "--sync") continue;
        EXPECT_NE(args[k + 1].rfind("0:-", 0), 0u) << args[k + 1];
    }
    EXPECT_EQ(valueOf(args, "--chapter-language"), "ger");
    EXPECT_EQ(countOf(args, "--default-duration"), 0);  // H.264 carries its rate
}
