// Files that fail under the commands: a source that cannot be opened, that
// fails, shrinks or vanishes while it is read, an output folder that
// refuses files, a disk that fills, a close that fails, a second part of a
// feature that cannot be read, Cancel in the second part, and a playlist
// that cannot be read. Each run must show its message, close every file,
// and keep in the outputs exactly what was written before the fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "cli/memory_front_end.h"
#include "commands/cancel.h"
#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "commands/rebuild_command.h"
#include "commands/source_selection.h"
#include "engine/file_io.h"
#include "playlist/read_xpl_command.h"
#include "support/command_bench.h"
#include "support/engine_checks.h"
#include "support/failing_files.h"
#include "support/pack_builder.h"
#include "support/test_sizes.h"

using namespace strandex;
using namespace strandex::test;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const std::string kVideoName = "VC-1.stream.0.mpv";
const std::string kAudioName = "DD+.stream.00.mpa";

// One part of a feature: VC-1 in video slot 0 and DD+ in audio slot 0,
// each packet tagged so that a misplaced byte shows, and what each output
// must receive from it. A Rebuild of it with both streams ticked is a copy.
struct Part {
    Bytes file = pack({systemHeader(1, 1)});
    Bytes video;
    Bytes audio;

    Part& add(std::uint8_t tag) {
        Bytes v = Bytes{0x00, 0x00, 0x01, 0x0D} + repeat(tag, 600);
        Bytes a = Bytes{0x0B, 0x77} + repeat(tag, 500);
        file += pack({vc1Packet(0x55, v), privateStream1(ac3Payload(0xC0, a), 90000)});
        video += v;
        audio += a;
        return *this;
    }
    Part& padTo(std::size_t total) {
        const Bytes padding = pack({});
        while (file.size() < total) file += padding;
        return *this;
    }
};

// A part of 4.5 MiB: payloads in its first block and in the block after the
// first 4 MiB. `early` is the part up to 4 MiB, where events first run.
struct Feature {
    Part early;
    Part whole;
};
Feature feature(std::uint8_t tag) {
    Part p;
    for (int k = 0; k < 20; ++k) p.add(static_cast<std::uint8_t>(tag + k));
    p.padTo(kFourMiB);
    Part early = p;
    for (int k = 0; k < 20; ++k) p.add(static_cast<std::uint8_t>(tag + 0x40 + k));
    p.padTo(kFourMiB + 2 * kBlockSize);
    return {early, p};
}

class FileFaults : public ::testing::Test, protected CommandBench {
protected:
    int descriptors = 0;
    Lines scanned;  // what the first Read EVO logged before "Done."

    // Chooses the source and reads it, as the user does before Demux or
    // Rebuild; counts the descriptors open then.
    void readEvo(const std::string& name = "FEATURE_1.EVO") {
        choose(name);
        scanned = linesOf(bCheckClick);
        scanned.erase(std::find(scanned.begin(), scanned.end(), "Done."), scanned.end());
        descriptors = openDescriptors();
    }
    void expectEverythingClosed() const {
        EXPECT_FALSE(session.table.SourceStream.isOpen());
        EXPECT_FALSE(anyOutputOpen());
        EXPECT_EQ(openDescriptors(), descriptors);
    }
    Lines creating(const std::string& prefix) const {
        const std::string start = "Creating " + out + "/" + prefix + ".";
        return {start + kVideoName, start + kAudioName};
    }
};

Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const Lines kOpening{"Opening file FEATURE_1.EVO", "File size: 4 Mbytes."};

}  // namespace

TEST_F(FileFaults, SourceThatMayNotBeReadIsAnOpenErrorForEveryCommand) {
    Feature one = feature(0x10);
    write("FEATURE_1.EVO", one.whole.file);
    readEvo();
    FailingFiles files;
    files.failOpen("FEATURE_1.EVO", EACCES);
    const std::string refused = "Cannot open file \"" + source() + "\". Permission denied";
    Lines log;
    for (auto command : {bCheckClick, bDemuxClick, bRebuildClick}) {
        EXPECT_EQ(run(command, &log), refused);
        EXPECT_EQ(log, Lines{"Opening file FEATURE_1.EVO"});
        EXPECT_EQ(ui.panels[0], " Opening");
        expectEverythingClosed();
    }
    EXPECT_EQ(filesIn(out), Lines{});
    EXPECT_FALSE(session.commandRunning);
}

TEST_F(FileFaults, PermissionBitsRefuseTheSourceAndTheOutputFolder) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "running as root, which reads and writes whatever the permission bits say "
                        "(the refusals themselves are tested through the failing file layer)";
    write("FEATURE_1.EVO", feature(0x10).whole.file);
    readEvo();
    fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(run(bDemuxClick),
              "Cannot create file \"" + out + "/FEATURE_1." + kVideoName + "\". Permission denied");
    fs::permissions(out, fs::perms::owner_all);
    fs::permissions(source(), fs::perms::none);
    EXPECT_EQ(run(bCheckClick), "Cannot open file \"" + source() + "\". Permission denied");
    fs::permissions(source(), fs::perms::owner_all);
    expectEverythingClosed();
}

TEST_F(FileFaults, OutputFolderThatRefusesFilesStopsBeforeAnythingIsRead) {
    write("FEATURE_1.EVO", feature(0x10).whole.file);
    readEvo();
    FailingFiles files;
    files.failOpen(out + "/", EACCES);
    Lines log;
    EXPECT_EQ(run(bDemuxClick, &log),
              "Cannot create file \"" + out + "/FEATURE_1." + kVideoName + "\". Permission denied");
    EXPECT_EQ(log, kOpening);
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    expectEverythingClosed();
    EXPECT_EQ(run(bRebuildClick, &log),
              "Cannot create file \"" + out + "/FEATURE_1.rebuilt.EVO\". Permission denied");
    EXPECT_EQ(log, kOpening);
    expectEverythingClosed();
    EXPECT_EQ(filesIn(out), Lines{});
}

TEST_F(FileFaults, ReadErrorInTheMiddleKeepsEverythingFromTheBlocksBeforeIt) {
    Feature one = feature(0x10);
    write("FEATURE_1.EVO", one.whole.file);
    readEvo();
    FailingFiles files;
    // The block after the first 4 MiB fails a hundred bytes in.
    files.failReadAt("FEATURE_1.EVO", kFourMiB + 100);
    const std::string failed = "Cannot read file \"" + source() + "\". Input/output error";
    Lines log;

    EXPECT_EQ(run(bDemuxClick, &log), failed);
    EXPECT_EQ(log, kOpening + creating("FEATURE_1"));
    EXPECT_EQ(output("FEATURE_1." + kVideoName), one.early.video);
    EXPECT_EQ(output("FEATURE_1." + kAudioName), one.early.audio);
    expectEverythingClosed();

    EXPECT_EQ(run(bRebuildClick, &log), failed);
    EXPECT_EQ(log, kOpening + Lines{"Creating " + out + "/FEATURE_1.rebuilt.EVO"});
    EXPECT_TRUE(output("FEATURE_1.rebuilt.EVO") == head(one.whole.file, kFourMiB));
    EXPECT_FALSE(ui.enabled(Button::bCancel));
    expectEverythingClosed();

    // Read EVO offers nothing: its boxes stay as they were reset.
    EXPECT_EQ(run(bCheckClick, &log), failed);
    EXPECT_EQ(log, scanned);  // the lines of the streams found, no "Done."
    EXPECT_GT(log.size(), kOpening.size());
    EXPECT_FALSE(ui.boxEnabled(videoBox(0)));
    EXPECT_EQ(ui.caption(videoBox(0)), "No video stream");
    expectEverythingClosed();
    EXPECT_FALSE(session.commandRunning);
}

TEST_F(FileFaults, ReadsAndWritesThatComeBackShortAreCarriedOn) {
    Feature one = feature(0x10);
    write("FEATURE_1.EVO", one.whole.file);
    readEvo();
    Lines whole;
    run(bCheckClick, &whole);
    FailingFiles files;
    files.limitReads(1000);
    files.limitWrites(777);
    // The stream-count line needs a whole first block, the progress line a
    // position on a 4 MiB boundary.
    Lines progress;
    ui.onEvents = [&] { progress.push_back(ui.panels[1].substr(0, 33)); };
    Lines log;
    EXPECT_EQ(run(bCheckClick, &log), "");
    EXPECT_EQ(log, whole);
    EXPECT_EQ(progress, Lines{" Reading FEATURE_1.EVO 4/4 Mbytes"});
    EXPECT_EQ(run(bDemuxClick), "");
    EXPECT_EQ(output("FEATURE_1." + kVideoName), one.whole.video);
    EXPECT_EQ(output("FEATURE_1." + kAudioName), one.whole.audio);
    EXPECT_EQ(run(bRebuildClick), "");
    EXPECT_TRUE(output("FEATURE_1.rebuilt.EVO") == one.whole.file);
    expectEverythingClosed();
}

TEST_F(FileFaults, SourceShrinkingUnderTheRunEndsItWithWhatWasRead) {
    Feature one = feature(0x10);
    write("FEATURE_1.EVO", one.whole.file);
    readEvo();
    // At 4 MiB the file is cut half a block further on: that half block is
    // still read, then the run finds the end before the size it was told.
    const std::size_t cut = kFourMiB + kBlockSize / 2;
    ui.onEvents = [&] { fs::resize_file(source(), cut); };
    const std::string shrunk =
        "Cannot read file \"" + source() + "\". The file ended before its size was read";
    Lines log;
    EXPECT_EQ(run(bDemuxClick, &log), shrunk);
    EXPECT_EQ(log, kOpening + creating("FEATURE_1"));
    EXPECT_EQ(output("FEATURE_1." + kVideoName), one.whole.video);
    EXPECT_EQ(output("FEATURE_1." + kAudioName), one.whole.audio);
    expectEverythingClosed();

    write("FEATURE_1.EVO", one.whole.file);
    EXPECT_EQ(run(bRebuildClick), shrunk);
    EXPECT_TRUE(output("FEATURE_1.rebuilt.EVO") == head(one.whole.file, cut));
    expectEverythingClosed();

    write("FEATURE_1.EVO", one.whole.file);
    EXPECT_EQ(run(bCheckClick), shrunk);
    expectEverythingClosed();
}

TEST_F(FileFaults, SourceRemovedUnderTheRunIsStillReadToItsEnd) {
    // The open file keeps its bytes; the second part, removed before it is
    // reached, is simply not there any more: the names made at the start
    // keep their "_2".
    Feature one = feature(0x10);
    write("FEATURE_1.EVO", one.whole.file);
    write("FEATURE_2.EVO", feature(0x30).whole.file);
    readEvo();
    ui.onEvents = [&] {
        fs::remove(source("FEATURE_1.EVO"));
        fs::remove(source("FEATURE_2.EVO"));
    };
    Lines log;
    EXPECT_EQ(run(bDemuxClick, &log), "");
    EXPECT_EQ(log, (kOpening + creating("FEATURE_1_2") +
                    Lines{"Done.", "40 frames (0:00:01 s) count in video stream 0."}));
    EXPECT_EQ(output("FEATURE_1_2." + kVideoName), one.whole.video);
    EXPECT_EQ(output("FEATURE_1_2." + kAudioName), one.whole.audio);
    expectEverythingClosed();
}

TEST_F(FileFaults, DiskFillingUpKeepsExactlyTheBytesThatFitted) {
    // More video than the output's buffer holds, so the disk fills while
    // the engine runs.
    Part big;
    for (int k = 0; k < 600; ++k) big.add(static_cast<std::uint8_t>(k));
    write("FEATURE_1.EVO", big.file);
    readEvo();
    FailingFiles files;
    files.fillAfter(kVideoName, 200000);
    Lines log;
    EXPECT_EQ(run(bDemuxClick, &log), kStreamWriteError);
    EXPECT_EQ(log, (Lines{"Opening file FEATURE_1.EVO", "File size: 1 Mbytes."} + creating("FEATURE_1")));
    EXPECT_EQ(output("FEATURE_1." + kVideoName), head(big.video, 200000));
    Bytes audio = output("FEATURE_1." + kAudioName);
    EXPECT_GT(audio.size(), 100000u);
    EXPECT_EQ(audio, head(big.audio, audio.size()));
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    expectEverythingClosed();

    files.fillAfter(".rebuilt.EVO", 300000);
    EXPECT_EQ(run(bRebuildClick), kStreamWriteError);
    EXPECT_EQ(ui.panels[0], " Writing EVO...");
    EXPECT_TRUE(output("FEATURE_1.rebuilt.EVO") == head(big.file, 300000));
    expectEverythingClosed();
}

TEST_F(FileFaults, CloseThatFailsIsAWriteErrorAfterEveryByteWasWritten) {
    Feature one = feature(0x10);
    write("FEATURE_1.EVO", one.whole.file);
    readEvo();
    FailingFiles files;
    files.failClose(out + "/");
    Lines log;
    EXPECT_EQ(run(bDemuxClick, &log), kStreamWriteError);
    EXPECT_EQ(log, kOpening + creating("FEATURE_1"));  // no "Done."
    EXPECT_EQ(output("FEATURE_1." + kVideoName), one.whole.video);
    EXPECT_EQ(output("FEATURE_1." + kAudioName), one.whole.audio);
    expectEverythingClosed();

    EXPECT_EQ(run(bRebuildClick, &log), kStreamWriteError);
    EXPECT_NE(log.back(), "Done.");
    EXPECT_TRUE(output("FEATURE_1.rebuilt.EVO") == one.whole.file);
    expectEverythingClosed();

    // A source that fails to close has lost nothing.
    files.failClose("FEATURE_1.EVO");
    EXPECT_EQ(run(bCheckClick, &log), "");
    EXPECT_EQ(log.end()[-2], "Done.");
    expectEverythingClosed();
}

TEST_F(FileFaults, SecondPartThatCannotBeReadLeavesTheFirstWhole) {
    Feature one = feature(0x10);
    write("FEATURE_1.EVO", one.whole.file);
    write("FEATURE_2.EVO", feature(0x30).whole.file);
    readEvo();
    const std::string second = source("FEATURE_2.EVO");
    FailingFiles files;
    Lines log;

    files.failOpen("FEATURE_2.EVO", EACCES);
    const std::string refused = "Cannot open file \"" + second + "\". Permission denied";
    EXPECT_EQ(run(bDemuxClick, &log), refused);
    EXPECT_EQ(log, kOpening + creating("FEATURE_1_2"));
    EXPECT_EQ(output("FEATURE_1_2." + kVideoName), one.whole.video);
    EXPECT_EQ(output("FEATURE_1_2." + kAudioName), one.whole.audio);
    expectEverythingClosed();
    EXPECT_EQ(run(bRebuildClick), refused);
    EXPECT_TRUE(output("FEATURE_1_2.rebuilt.EVO") == one.whole.file);
    expectEverythingClosed();

    files.failOpen("FEATURE_2.EVO", 0);  // opens again, but its first read fails
    files.failReadAt("FEATURE_2.EVO", 100);
    const std::string failed = "Cannot read file \"" + second + "\". Input/output error";
    EXPECT_EQ(run(bDemuxClick, &log), failed);
    EXPECT_EQ(log.back(), "Continue on FEATURE_2.EVO");
    EXPECT_EQ(output("FEATURE_1_2." + kVideoName), one.whole.video);
    EXPECT_EQ(output("FEATURE_1_2." + kAudioName), one.whole.audio);
    expectEverythingClosed();
    EXPECT_EQ(run(bRebuildClick), failed);
    EXPECT_TRUE(output("FEATURE_1_2.rebuilt.EVO") == one.whole.file);
    expectEverythingClosed();
}

TEST_F(FileFaults, CancelAnsweredNoInTheFirstPartAndYesInTheSecond) {
    Feature one = feature(0x10);
    Feature two = feature(0x30);
    write("FEATURE_1.EVO", one.whole.file);
    write("FEATURE_2.EVO", two.whole.file);
    readEvo();
    ui.onEvents = [&] { bCancelClick(session); };
    bool answer = false;
    ui.onConfirm = [&](const std::string&) { return std::exchange(answer, true); };
    Lines log;

    EXPECT_EQ(run(bDemuxClick, &log), "");
    EXPECT_EQ(log, (kOpening + creating("FEATURE_1_2") + Lines{"Continue on FEATURE_2.EVO", "Done."}));
    EXPECT_EQ(ui.questions.size(), 2u);
    EXPECT_EQ(output("FEATURE_1_2." + kVideoName), one.whole.video + two.early.video);
    EXPECT_EQ(output("FEATURE_1_2." + kAudioName), one.whole.audio + two.early.audio);
    EXPECT_EQ(session.table.FrameCount, (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_TRUE(ui.enabled(Button::bDemux));
    expectEverythingClosed();

    answer = false;
    EXPECT_EQ(run(bRebuildClick, &log), "");
    EXPECT_EQ(log, (kOpening + Lines{"Creating " + out + "/FEATURE_1_2.rebuilt.EVO", "Continue on FEATURE_2.EVO",
                                    "Done."}));
    EXPECT_EQ(ui.questions.size(), 4u);
    EXPECT_TRUE(output("FEATURE_1_2.rebuilt.EVO") == one.whole.file + head(two.whole.file, kFourMiB));
    EXPECT_FALSE(ui.enabled(Button::bCancel));
    EXPECT_EQ(ui.panels[0], " Ready");
    expectEverythingClosed();
}

TEST_F(FileFaults, PlaylistThatCannotBeReadEndsReadXplWithItsFileClosed) {
    std::string text = "<Playlist>\n";
    while (text.size() < 2 * kBlockSize) text += "<Title displayName=\"x\"/>\n";
    text += "</Playlist>\n";
    fs::create_directory(dir.file("ADV_OBJ"));
    std::string playlist = dir.write("ADV_OBJ/VPLST000.XPL", Bytes(text.begin(), text.end()));
    ui.setText(Edit::eXPLfile, playlist);
    session.paths.XPLname = "VPLST000.XPL";
    descriptors = openDescriptors();
    FailingFiles files;
    Lines log;

    files.failOpen("VPLST000.XPL", EACCES);
    EXPECT_EQ(run(bReadXPLClick, &log), "Cannot open file \"" + playlist + "\". Permission denied");
    EXPECT_EQ(log, Lines{});
    EXPECT_EQ(openDescriptors(), descriptors);

    files.failOpen("VPLST000.XPL", 0);
    files.failReadAt("VPLST000.XPL", kBlockSize + 100);
    EXPECT_EQ(run(bReadXPLClick, &log), "Cannot read file \"" + playlist + "\". Input/output error");
    EXPECT_EQ(log, (Lines{"Open VPLST000.XPL", "Filesize: " + std::to_string(text.size()) + " bytes"}));
    EXPECT_FALSE(ui.enabled(Button::bReadXPL));
    EXPECT_FALSE(session.commandRunning);
    EXPECT_EQ(openDescriptors(), descriptors);
}
