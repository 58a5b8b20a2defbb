// Muxing when things go wrong, with REAL_1.EVO and its playlist: Cancel
// (the window's, and the console's Ctrl-C) while mkvmerge runs stops it,
// waits for it and removes the partial MKV, keeping the streams; without
// mkvmerge on the PATH nothing is read or written; mkvmerge's errors reach
// the log and leave no MKV; its warnings keep the MKV; an MKV from before
// is replaced. Stand-ins for mkvmerge are small shell scripts first on the
// PATH; where they can, they hand over to the real one.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/memory_front_end.h"
#include "commands/cancel.h"
#include "commands/demux_command.h"
#include "commands/encrypted_notice.h"
#include "commands/read_evo.h"
#include "commands/source_selection.h"
#include "engine/session.h"
#include "mux/child_process.h"
#include "mux/mkvmerge_run.h"
#include "playlist/read_xpl_command.h"
#include "support/engine_checks.h"
#include "support/mkv_facts.h"
#include "support/mux_sources.h"
#include "support/run_cli.h"

using namespace strandex;
using namespace strandex::test;

namespace {

namespace fs = std::filesystem;

// PATH as the test sets it, put back when the test ends.
class PathVariable {
public:
    explicit PathVariable(const std::string& path) {
        const char* now = std::getenv("PATH");
        before_ = now != nullptr ? now : "";
        ::setenv("PATH", path.c_str(), 1);
    }
    ~PathVariable() { ::setenv("PATH", before_.c_str(), 1); }

private:
    std::string before_;
};

// A folder with a script called mkvmerge, put first on the PATH.
struct StandIn {
    StandIn(const TempDir& dir, const std::string& body) : folder(dir.file("bin")) {
        fs::create_directory(folder);
        std::string script = folder + "/mkvmerge";
        std::ofstream(script) << "#!/bin/sh\n" << body;
        ::chmod(script.c_str(), 0755);
    }
    std::string folder;
    PathVariable path{folder + ":" + std::getenv("PATH")};
};

// The files Demux writes for the MKV and leaves when it is not made.
const std::vector<std::string> kStreamsAndPlan{
    "REAL_1.AVC.stream.0.h264",       "REAL_1.DD+.2ch.stream.01.en.eac3", "REAL_1.DD.2ch.stream.00.de.ac3",
    "REAL_1.LPCM.2ch.stream.02.fr.wav", "REAL_1.chapters.txt",            "REAL_1.chapters.xml",
    "REAL_1.mkvmerge.json"};

std::vector<std::string> logLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
        lines.push_back(text.substr(from, end - from));
    return lines;
}

bool logHas(const std::vector<std::string>& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

// The window's way: the front end in memory, Read XPL, "Mux into MKV
// after Demux" ticked, then Demux.
struct WindowRun {
    explicit WindowRun(const DiscFolder& disc) : disc(disc) {
        ui.setText(Edit::eEVOfile, disc.source);
        EVOadj(session, dialogs);
        ui.setText(Edit::eXPLfile, disc.playlist);
        XPLadj(session, dialogs);
        bReadXPLClick(session);
        ui.setText(Edit::eWorkdir, disc.out);
        ui.setTicked(Box::cbMuxMkv, true);
    }
    // The error Demux raised, "" if none; the lines it logged in `log`.
    std::string demux() {
        std::size_t before = ui.logLines.size();
        std::string error;
        try {
            bDemuxClick(session);
        } catch (const FileError& e) {
            error = e.what();
        }
        log.assign(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end());
        return error;
    }
    const DiscFolder& disc;
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    std::vector<std::string> log;
};

// A muxer that starts the MKV, says how far it is and then takes its time;
// it notes its process id so the test can see it was waited for.
std::string slowMuxer(const DiscFolder& disc, const std::string& pidFile, const std::string& more = "") {
    return "echo $$ > '" + pidFile + "'\n"
           "echo partial > '" + disc.out + "/REAL_1.mkv'\n"
           "echo '#GUI#progress 10%'\n" + more + "exec sleep 120\n";
}

pid_t pidIn(const std::string& file) { return static_cast<pid_t>(std::atol(text(readFile(file)).c_str())); }

// Waited for: no longer a child of this process, not even a zombie.
bool reaped(pid_t pid) {
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, WNOHANG) == -1 && errno == ECHILD && ::kill(pid, 0) == -1;
}

}  // namespace

// Cancel is pressed once the status panels show mkvmerge at work; the
// question is the one every writing run asks.
TEST(MuxCancel, TheWindowsCancelStopsMkvmergeRemovesThePartialMkvAndKeepsTheStreams) {
    TempDir dir;
    DiscFolder disc = realEvoDisc(dir);
    StandIn muxer(dir, slowMuxer(disc, dir.file("pid")));
    WindowRun run(disc);
    bool sawMuxing = false;
    run.ui.onEvents = [&] {
        bool muxing = run.ui.panels[0] == " Muxing" && run.ui.panels[1].rfind(" Muxing REAL_1.mkv 10%", 0) == 0;
        if (!muxing || run.session.table.StopFlag != 0) return;
        sawMuxing = true;
        bCancelClick(run.session);
    };
    EXPECT_EQ(run.demux(), "");
    EXPECT_TRUE(sawMuxing);
    EXPECT_EQ(run.ui.questions, std::vector<std::string>{"Are you sure to stop demuxing?"});
    EXPECT_EQ(run.log.back(), "Muxing stopped: REAL_1.mkv was removed, the streams are kept.");
    EXPECT_FALSE(logHas(run.log, "Created REAL_1.mkv"));
    EXPECT_TRUE(reaped(pidIn(dir.file("pid"))));
    EXPECT_EQ(filesIn(disc.out), kStreamsAndPlan);
    EXPECT_EQ(run.ui.panels[0], " Ready");
    EXPECT_FALSE(run.ui.enabled(Button::bCancel));
    EXPECT_TRUE(run.ui.enabled(Button::bDemux));
}

// The stand-in presses Ctrl-C itself: SIGINT to the console, its parent.
TEST(MuxCancel, TheConsolesCtrlCStopsMkvmergeTheSameWay) {
    TempDir dir;
    DiscFolder disc = realEvoDisc(dir);
    StandIn muxer(dir, slowMuxer(disc, dir.file("pid"), "kill -INT $PPID\n"));
    CliResult r = runCli(dir, {"mux", disc.source, "--xpl", disc.playlist, "-o", disc.out});
    std::vector<std::string> log = logLines(r.out);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Muxing stopped: REAL_1.mkv was removed, the streams are kept.") << r.out << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.exitCode, 0);  // a stop is no error, as for Demux
    EXPECT_TRUE(reaped(pidIn(dir.file("pid"))));
    EXPECT_EQ(::kill(pidIn(dir.file("pid")), 0), -1);
    EXPECT_EQ(filesIn(disc.out), kStreamsAndPlan);
}

TEST(MuxWithoutMkvmerge, NothingIsReadOrWrittenAndTheErrorSaysWhatToInstall) {
    TempDir dir;
    DiscFolder disc = realEvoDisc(dir);
    fs::create_directory(dir.file("empty"));
    {
        PathVariable path(dir.file("empty"));
        CliResult r = runCli(dir, {"mux", disc.source, "--xpl", disc.playlist, "-o", disc.out});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.out, "");  // not even the playlist's lines
        EXPECT_EQ(r.err, "Muxing needs mkvmerge (Debian package mkvtoolnix).\n");
        EXPECT_TRUE(filesIn(disc.out).empty());
    }
    // The window's Demux with the box ticked, after a Read XPL made while
    // mkvmerge was there: the error comes before its first line.
    WindowRun run(disc);
    PathVariable path(dir.file("empty"));
    EXPECT_EQ(run.demux(), "Muxing needs mkvmerge (Debian package mkvtoolnix).");
    EXPECT_TRUE(run.log.empty());
    EXPECT_TRUE(filesIn(disc.out).empty());
    EXPECT_TRUE(run.ui.enabled(Button::bDemux));
}

// The real mkvmerge refuses a stream it cannot recognise: the stand-in
// spoils the H.264 file first.
TEST(MuxFailing, MkvmergesErrorsReachTheLogNoMkvIsLeftAndTheStreamsStay) {
    TempDir dir;
    DiscFolder disc = realEvoDisc(dir);
    const std::string video = disc.out + "/REAL_1.AVC.stream.0.h264";
    StandIn muxer(dir, "printf 'no stream' > '" + video + "'\nexec " + findOnPath("mkvmerge") + " \"$@\"\n");
    CliResult r = runCli(dir, {"mux", disc.source, "--xpl", disc.playlist, "-o", disc.out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "mkvmerge could not make REAL_1.mkv. The streams are kept.\n");
    std::vector<std::string> log = logLines(r.out);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "mkvmerge: The type of file '" + video + "' could not be recognized.") << r.out;
    EXPECT_EQ(filesIn(disc.out), kStreamsAndPlan);
}

// An error after mkvmerge has written the file: what it wrote goes.
TEST(MuxFailing, AnMkvMadeBeforeTheErrorIsRemoved) {
    TempDir dir;
    DiscFolder disc = realEvoDisc(dir);
    StandIn muxer(dir, findOnPath("mkvmerge") + " \"$@\"\necho '#GUI#error Disk full.'\nexit 2\n");
    CliResult r = runCli(dir, {"mux", disc.source, "--xpl", disc.playlist, "-o", disc.out});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "mkvmerge could not make REAL_1.mkv. The streams are kept.\n");
    EXPECT_EQ(logLines(r.out).back(), "mkvmerge: Disk full.");
    EXPECT_EQ(filesIn(disc.out), kStreamsAndPlan);
}

TEST(MuxWarnings, TheMkvIsKeptAndTheWarningsLogged) {
    TempDir dir;
    DiscFolder disc = realEvoDisc(dir);
    CliResult r;
    {
        StandIn muxer(dir, findOnPath("mkvmerge") + " \"$@\"\necho '#GUI#warning Track 2: odd timestamps.'\nexit 1\n");
        r = runCli(dir, {"mux", disc.source, "--xpl", disc.playlist, "-o", disc.out});
    }
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    std::vector<std::string> log = logLines(r.out);
    EXPECT_TRUE(logHas(log, "mkvmerge warning: Track 2: odd timestamps.")) << r.out;
    EXPECT_EQ(log.back(), "Created REAL_1.mkv");
    EXPECT_EQ(filesIn(disc.out), std::vector<std::string>{"REAL_1.mkv"});
    EXPECT_EQ(identifyMkv(dir, disc.out + "/REAL_1.mkv").tracks.size(), 4u);
}

// As Demux replaces its stream files, mux replaces an MKV of the same name.
TEST(MuxReplacing, AnMkvThatExistsAlreadyIsReplaced) {
    TempDir dir;
    DiscFolder disc = realEvoDisc(dir);
    const std::string mkv = disc.out + "/REAL_1.mkv";
    std::ofstream(mkv) << "an older file, longer than nothing";
    CliResult r = runCli(dir, {"mux", disc.source, "--xpl", disc.playlist, "-o", disc.out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    MkvFacts facts = identifyMkv(dir, mkv);
    EXPECT_TRUE(facts.read);
    EXPECT_EQ(facts.title, "Echte Ströme");
    EXPECT_EQ(facts.tracks.size(), 4u);
}

// A source that was not decrypted, muxed by an mkvmerge that fails: the
// error comes, and so does the notice, as its streams are on the disk.
TEST(MuxFailing, AnEncryptedSourceIsStillToldOf) {
    TempDir dir;
    Pes video;
    video.pts = 90000;
    video.dts = 90000;
    video.scrambling = 1;
    video.payload = Bytes{0x00, 0x00, 0x01, 0xB3} + repeat(0x10, 1500);
    const std::string source = dir.write("FEATURE_1.EVO", pack({pesPacket(video)}));
    StandIn muxer(dir, "exit 2\n");
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    ui.setText(Edit::eEVOfile, source);
    EVOadj(session, dialogs);
    bCheckClick(session);
    ASSERT_TRUE(selected(ui, videoBox(0)));
    ui.notices.clear();
    ui.setText(Edit::eWorkdir, dir.path());
    ui.setTicked(Box::cbMuxMkv, true);
    EXPECT_THROW(bDemuxClick(session), FileError);
    EXPECT_EQ(ui.notices, (std::vector<std::string>{encryptedNotice("FEATURE_1.EVO")}));
}
