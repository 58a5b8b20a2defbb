// Running the muxer as a child process: the PATH search, its progress in
// the status panel, its errors in the log, Cancel, and what is left of the
// output after each outcome. Stand-in programs (small shell scripts) play
// mkvmerge, so each outcome can be had on demand.
#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

#include "cli/memory_front_end.h"
#include "engine/session.h"
#include "mux/child_process.h"
#include "mux/mkvmerge_run.h"
#include "support/pack_builder.h"

namespace strandex {
namespace {

using test::TempDir;

// An executable script in the folder, standing in for mkvmerge.
std::string standIn(const TempDir& dir, const std::string& name, const std::string& body) {
    std::string path = dir.file(name);
    std::ofstream(path) << "#!/bin/sh\n" << body;
    ::chmod(path.c_str(), 0755);
    return path;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

struct MuxHarness {
    MemoryFrontEnd ui;
    Session session{ui};
    TempDir dir;
    std::vector<std::string> panels;

    MuxHarness() {
        ui.onStatus = [this] { panels.push_back(ui.panels[1]); };
    }
    MuxStatus run(const std::string& program) {
        return runMkvmerge(session, MuxRun{program, dir.file("plan.json"), dir.file("out.mkv")});
    }
};

TEST(ChildProcess, FindsProgramsOnThePathOnlyWhenTheyCanRun) {
    TempDir dir;
    std::string tool = standIn(dir, "tool", "exit 0\n");
    std::ofstream(dir.file("plain")) << "not executable";
    EXPECT_EQ(findOnPath("tool", "/nowhere:" + dir.path()), tool);
    EXPECT_EQ(findOnPath("plain", dir.path()), "");
    EXPECT_EQ(findOnPath("tool", "/nowhere"), "");
    EXPECT_EQ(findOnPath(tool, ""), tool);  // a path is taken as it stands
    EXPECT_EQ(findOnPath("", dir.path()), "");
}

TEST(ChildProcess, GivesEveryLineOfBothOutputsAndTheExitStatus) {
    TempDir dir;
    std::string tool = standIn(dir, "tool", "echo one; echo two >&2; printf 'three\\rfour'; exit 3\n");
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start({tool, "a b"}, error)) << error;
    std::vector<std::string> lines;
    while (child.pump(50, [&](const std::string& l) { lines.push_back(l); })) {
    }
    EXPECT_EQ(child.wait(), 3);
    EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four"}));
}

TEST(ChildProcess, ArgumentsReachTheProgramUntouchedByAnyShell) {
    TempDir dir;
    std::string tool = standIn(dir, "tool", "for a in \"$@\"; do echo \"[$a]\"; done\n");
    ChildProcess child;
    std::string error;
    ASSERT_TRUE(child.start({tool, "$HOME", "a;b", "it's"}, error));
    std::vector<std::string> lines;
    while (child.pump(50, [&](const std::string& l) { lines.push_back(l); })) {
    }
    EXPECT_EQ(child.wait(), 0);
    EXPECT_EQ(lines, (std::vector<std::string>{"[$HOME]", "[a;b]", "[it's]"}));
}

TEST(ChildProcess, AProgramThatCannotStartSaysWhy) {
    ChildProcess child;
    std::string error;
    EXPECT_FALSE(child.start({"/nonexistent/mkvmerge"}, error));
    EXPECT_FALSE(error.empty());
}

TEST(MkvmergeRun, ProgressGoesToTheStatusPanelAndTheFileStays) {
    MuxHarness h;
    std::string tool = standIn(h.dir, "mkvmerge",
                               "[ \"$1\" = --gui-mode ] || exit 2\n"
                               "echo 'mkvmerge v74.0.0'\n"
                               "echo '#GUI#progress 50%'\necho '#GUI#progress 100%'\n"
                               "echo made > \"$(dirname \"${2#@}\")/out.mkv\"\n");
    EXPECT_EQ(h.run(tool), MuxStatus::Created);
    EXPECT_TRUE(exists(h.dir.file("out.mkv")));
    EXPECT_EQ(h.ui.panels[0], " Muxing");
    ASSERT_FALSE(h.panels.empty());
    EXPECT_EQ(h.panels.back().rfind(" Muxing out.mkv 100%, Remaining time: 0:00:0", 0), 0u) << h.panels.back();
    EXPECT_TRUE(h.ui.logLines.empty());  // mkvmerge's own chatter is not logged
    EXPECT_FALSE(h.ui.enabled(Button::bCancel));
}

TEST(MkvmergeRun, WarningsKeepTheFileAndErrorsRemoveIt) {
    MuxHarness h;
    std::string warns = standIn(h.dir, "warns",
                                "echo '#GUI#warning Track 1: odd timestamps'\n"
                                "echo made > \"$(dirname \"${2#@}\")/out.mkv\"; exit 1\n");
    EXPECT_EQ(h.run(warns), MuxStatus::CreatedWithWarnings);
    EXPECT_TRUE(exists(h.dir.file("out.mkv")));
    EXPECT_EQ(h.ui.logLines, (std::vector<std::string>{"mkvmerge warning: Track 1: odd timestamps"}));

    std::string fails = standIn(h.dir, "fails",
                                "echo partial > \"$(dirname \"${2#@}\")/out.mkv\"\n"
                                "echo '#GUI#error The file x could not be opened.'; exit 2\n");
    EXPECT_EQ(h.run(fails), MuxStatus::Failed);
    EXPECT_FALSE(exists(h.dir.file("out.mkv")));
    EXPECT_EQ(h.ui.logLines.back(), "mkvmerge: The file x could not be opened.");
}

TEST(MkvmergeRun, CancelStopsTheMuxerAndRemovesThePartialFile) {
    MuxHarness h;
    std::string slow = standIn(h.dir, "slow",
                               "echo partial > \"$(dirname \"${2#@}\")/out.mkv\"\n"
                               "echo '#GUI#progress 10%'\n"
                               "exec sleep 30\n");
    // Cancel is pressed once the muxer has shown progress.
    h.ui.onEvents = [&] {
        if (!h.panels.empty()) h.session.table.StopFlag = 1;
    };
    EXPECT_EQ(h.run(slow), MuxStatus::Cancelled);
    EXPECT_FALSE(exists(h.dir.file("out.mkv")));
}

TEST(MkvmergeRun, AMuxerThatCannotStartFailsWithItsReason) {
    MuxHarness h;
    EXPECT_EQ(h.run(h.dir.file("missing")), MuxStatus::Failed);
    ASSERT_EQ(h.ui.logLines.size(), 1u);
    EXPECT_EQ(h.ui.logLines[0].rfind("Cannot start " + h.dir.file("missing") + ". ", 0), 0u);
}

TEST(MkvmergeRun, ProgressTextEstimatesTheTimeLeft) {
    EXPECT_EQ(muxProgressText("A.mkv", 25, 30.0), "Muxing A.mkv 25%, Remaining time: 0:01:31");
    EXPECT_EQ(muxProgressText("A.mkv", 0, 5.0), "Muxing A.mkv 0%, Remaining time: 0:00:01");
}

}  // namespace
}  // namespace strandex
