// "Demux" through the in-memory front end: the output names, the log, the
// second part of a split feature, the option read again after the first
// part, Cancel, repeated runs, the output folder, file errors that leave
// what was written, and the boxes changed while the files are written.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "cli/memory_front_end.h"
#include "commands/cancel.h"
#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "commands/source_selection.h"
#include "commands/stream_selection.h"
#include "engine/file_io.h"
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

// n VC-1 frames: the frame start code, then four bytes of the tag.
Bytes vc1Frames(int n, std::uint8_t tag) {
    Bytes b;
    for (int k = 0; k < n; ++k) b += {0x00, 0x00, 0x01, 0x0D, tag, tag, tag, tag};
    return b;
}

// Audio bytes of a DD+ stream: a sync word, then the tag.
Bytes ddPlusBytes(std::size_t n, std::uint8_t tag) { return Bytes{0x0B, 0x77} + repeat(tag, n - 2); }

// One part of a feature: VC-1 in video slot 0 and DD+ in audio slot 3, and
// what each of the two output files must receive from it.
struct Part {
    Bytes file;
    Bytes video;
    Bytes audio;
    int frames = 0;

    Part& add(int n, std::uint8_t tag, std::size_t audioBytes = 200) {
        Bytes v = vc1Frames(n, tag);
        Bytes a = ddPlusBytes(audioBytes, tag);
        file += pack({vc1Packet(0x55, v), privateStream1(ac3Payload(0xC3, a), 90000)});
        video += v;
        audio += a;
        frames += n;
        return *this;
    }
    // Padding packs up to exactly `total` bytes; nothing for the outputs.
    Part& padTo(std::size_t total) {
        file = fillTo(file, total);
        return *this;
    }
};

bool startsWith(const Bytes& whole, const Bytes& start) {
    return start.size() <= whole.size() && std::equal(start.begin(), start.end(), whole.begin());
}

class Demux : public ::testing::Test, protected CommandBench {
protected:
    Lines demux() { return linesOf(bDemuxClick); }
    std::string demuxError() { return run(bDemuxClick); }
};

// Two small parts of a feature.
Part firstPart() { return Part{}.add(10, 0x11).add(14, 0x12); }
Part secondPart() { return Part{}.add(20, 0x21).add(28, 0x22, 300); }

}  // namespace

TEST_F(Demux, TwoPartFeatureGivesFirstThenSecondPayloadsAndSummedFrames) {
    Part one = firstPart();
    Part two = secondPart();
    write("FEATURE_1.EVO", one.file);
    write("FEATURE_2.EVO", two.file);
    readEvo("FEATURE_1.EVO");
    ui.showPage(Page::tsOption);
    EXPECT_EQ(demux(), (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes.",
                              "Creating " + out + "/FEATURE_1_2.VC-1.stream.0.mpv",
                              "Creating " + out + "/FEATURE_1_2.DD+.stream.03.mpa",
                              "Continue on FEATURE_2.EVO", "Done.",
                              "72 frames (0:00:03 s) count in video stream 0."}));
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1_2.DD+.stream.03.mpa", "FEATURE_1_2.VC-1.stream.0.mpv"}));
    EXPECT_EQ(output("FEATURE_1_2.VC-1.stream.0.mpv"), one.video + two.video);
    EXPECT_EQ(output("FEATURE_1_2.DD+.stream.03.mpa"), one.audio + two.audio);
    EXPECT_EQ(session.table.FrameCount, (std::array<std::int32_t, 2>{72, 0}));
    EXPECT_EQ(ui.page, Page::tsStatus);
    EXPECT_EQ(ui.panels[0], " Ready");
    EXPECT_EQ(ui.panels[1], " ");
    EXPECT_TRUE(ui.enabled(Button::bDemux));
    EXPECT_FALSE(ui.enabled(Button::bCancel));
    EXPECT_FALSE(session.table.SourceStream.isOpen());
    EXPECT_FALSE(anyOutputOpen());
    // The base name is left as it was.
    EXPECT_EQ(session.paths.EVObase, "FEATURE_1");
}

// The frame code window carries from the first part into the second, as
// the two parts make one file, but not from the Read EVO before: each
// command starts its count afresh.
TEST_F(Demux, FrameCodeCutBetweenThePartsCountsOnceAndNothingCarriesFromReadEvo) {
    const Bytes first{0x0D, 0x42, 0x00, 0x00, 0x01, 0x0D, 0x42, 0x00, 0x00, 0x01};
    const Bytes second{0x0D, 0x43};
    write("FEATURE_1.EVO", pack({vc1Packet(0x55, first)}));
    write("FEATURE_2.EVO", pack({vc1Packet(0x55, second)}));
    readEvo("FEATURE_1.EVO");
    readEvo("FEATURE_1.EVO");  // ends in 00 00 01; the next run begins 0D
    EXPECT_EQ(session.table.FrameCount, (std::array<std::int32_t, 2>{1, 0}));
    Lines log = demux();
    EXPECT_EQ(log.back(), "2 frames (0:00:00 s) count in video stream 0.");
    EXPECT_EQ(output("FEATURE_1_2.VC-1.stream.0.mpv"), first + second);
}

TEST_F(Demux, ContinuesOnlyFromAnUpperCaseFirstPartWhoseSecondPartExists) {
    Part one = firstPart();
    // No FEATURE_2.EVO: the first part alone, no "_2".
    write("FEATURE_1.EVO", one.file);
    readEvo("FEATURE_1.EVO");
    EXPECT_EQ(demux(), (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes.",
                              "Creating " + out + "/FEATURE_1.VC-1.stream.0.mpv",
                              "Creating " + out + "/FEATURE_1.DD+.stream.03.mpa", "Done.",
                              "24 frames (0:00:01 s) count in video stream 0."}));
    EXPECT_EQ(output("FEATURE_1.VC-1.stream.0.mpv"), one.video);
    EXPECT_EQ(output("FEATURE_1.DD+.stream.03.mpa"), one.audio);

    // The test of the name is case-sensitive.
    write("feature_1.evo", one.file);
    write("feature_2.evo", secondPart().file);
    readEvo("feature_1.evo");
    Lines lower = demux();
    EXPECT_EQ(lower[2], "Creating " + out + "/feature_1.VC-1.stream.0.mpv");
    EXPECT_EQ(lower[4], "Done.");
    EXPECT_EQ(output("feature_1.VC-1.stream.0.mpv"), one.video);

    // Only a first part starts a continuation: FEATURE_3.EVO is never read.
    Part two = secondPart();
    write("FEATURE_2.EVO", two.file);
    write("FEATURE_3.EVO", firstPart().file);
    readEvo("FEATURE_2.EVO");
    EXPECT_EQ(demux(), (Lines{"Opening file FEATURE_2.EVO", "File size: 0 Mbytes.",
                              "Creating " + out + "/FEATURE_2.VC-1.stream.0.mpv",
                              "Creating " + out + "/FEATURE_2.DD+.stream.03.mpa", "Done.",
                              "48 frames (0:00:02 s) count in video stream 0."}));
    EXPECT_EQ(output("FEATURE_2.DD+.stream.03.mpa"), two.audio);

    // A VOB is never continued.
    write("VTS_01_1.VOB", one.file);
    write("VTS_01_2.VOB", two.file);
    readEvo("VTS_01_1.VOB");
    EXPECT_EQ(demux()[2], "Creating " + out + "/VTS_01_1.VC-1.stream.0.mpv");
    EXPECT_EQ(output("VTS_01_1.VC-1.stream.0.mpv"), one.video);
}

TEST_F(Demux, OptionUntickedAtTheStartMeansNoSecondPartAndNoSuffix) {
    Part one = firstPart();
    write("FEATURE_1.EVO", one.file);
    write("FEATURE_2.EVO", secondPart().file);
    readEvo("FEATURE_1.EVO");
    ui.setTicked(Box::cbContinue, false);
    // Ticking it again while the first part is written does not bring the
    // second part in: its name was not taken at the start.
    ui.onEvents = [&] { ui.setTicked(Box::cbContinue, true); };
    EXPECT_EQ(demux(), (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes.",
                              "Creating " + out + "/FEATURE_1.VC-1.stream.0.mpv",
                              "Creating " + out + "/FEATURE_1.DD+.stream.03.mpa", "Done.",
                              "24 frames (0:00:01 s) count in video stream 0."}));
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1.DD+.stream.03.mpa", "FEATURE_1.VC-1.stream.0.mpv"}));
    EXPECT_EQ(output("FEATURE_1.VC-1.stream.0.mpv"), one.video);
}

TEST_F(Demux, OptionUntickedDuringTheFirstPartCancelsTheSecondButKeepsTheNames) {
    // Events run first when 4 MiB have been read.
    Part one = firstPart();
    one.padTo(kFourMiB).add(5, 0x13);
    write("FEATURE_1.EVO", one.file);
    write("FEATURE_2.EVO", secondPart().file);
    readEvo("FEATURE_1.EVO");
    int events = 0;
    ui.onEvents = [&] {
        ++events;
        EXPECT_EQ(ui.panels[0], " Writing stream(s)");
        EXPECT_FALSE(ui.enabled(Button::bDemux));
        EXPECT_TRUE(ui.enabled(Button::bCancel));
        ui.setTicked(Box::cbContinue, false);
    };
    EXPECT_EQ(demux(), (Lines{"Opening file FEATURE_1.EVO", "File size: 4 Mbytes.",
                              "Creating " + out + "/FEATURE_1_2.VC-1.stream.0.mpv",
                              "Creating " + out + "/FEATURE_1_2.DD+.stream.03.mpa", "Done.",
                              "29 frames (0:00:01 s) count in video stream 0."}));
    EXPECT_EQ(events, 1);
    EXPECT_EQ(output("FEATURE_1_2.VC-1.stream.0.mpv"), one.video);
    EXPECT_EQ(output("FEATURE_1_2.DD+.stream.03.mpa"), one.audio);
}

TEST_F(Demux, CancelAnsweredYesInTheFirstPartKeepsWhatWasWritten) {
    // Payloads before and after the 4 MiB point; nothing in the block that
    // ends there.
    Part before = firstPart();
    before.padTo(kFourMiB);
    Part one = before;
    one.add(30, 0x14);
    write("FEATURE_1.EVO", one.file);
    write("FEATURE_2.EVO", secondPart().file);
    readEvo("FEATURE_1.EVO");
    ui.onEvents = [&] { bCancelClick(session); };
    ui.onConfirm = [](const std::string&) { return true; };
    EXPECT_EQ(demux(), (Lines{"Opening file FEATURE_1.EVO", "File size: 4 Mbytes.",
                              "Creating " + out + "/FEATURE_1_2.VC-1.stream.0.mpv",
                              "Creating " + out + "/FEATURE_1_2.DD+.stream.03.mpa", "Done."}));
    EXPECT_EQ(ui.questions, (Lines{"Are you sure to stop demuxing?"}));
    EXPECT_EQ(output("FEATURE_1_2.VC-1.stream.0.mpv"), before.video);
    EXPECT_EQ(output("FEATURE_1_2.DD+.stream.03.mpa"), before.audio);
    EXPECT_EQ(session.table.FrameCount, (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_TRUE(ui.enabled(Button::bDemux));
    EXPECT_EQ(ui.panels[0], " Ready");
    EXPECT_FALSE(session.table.SourceStream.isOpen());
    EXPECT_FALSE(anyOutputOpen());
}

TEST_F(Demux, CancelAnsweredNoRunsToTheEndOfTheSecondPart) {
    Part one = firstPart();
    one.padTo(kFourMiB).add(30, 0x14);
    Part two = secondPart();
    write("FEATURE_1.EVO", one.file);
    write("FEATURE_2.EVO", two.file);
    readEvo("FEATURE_1.EVO");
    ui.onEvents = [&] { bCancelClick(session); };
    ui.onConfirm = [](const std::string&) { return false; };
    Lines log = demux();
    EXPECT_EQ(Lines(log.end() - 3, log.end()),
              (Lines{"Continue on FEATURE_2.EVO", "Done.", "102 frames (0:00:04 s) count in video stream 0."}));
    EXPECT_EQ(ui.questions, (Lines{"Are you sure to stop demuxing?"}));
    EXPECT_EQ(output("FEATURE_1_2.VC-1.stream.0.mpv"), one.video + two.video);
    EXPECT_EQ(output("FEATURE_1_2.DD+.stream.03.mpa"), one.audio + two.audio);
}

TEST_F(Demux, SecondRunGivesTheSameNamesAndReplacesTheFiles) {
    Part one = firstPart();
    Part two = secondPart();
    write("FEATURE_1.EVO", one.file);
    write("FEATURE_2.EVO", two.file);
    readEvo("FEATURE_1.EVO");
    Lines first = demux();
    // Something longer in one of the files: the second run must not keep it.
    dir.write("out/FEATURE_1_2.DD+.stream.03.mpa", repeat(0xEE, 10000));
    EXPECT_EQ(demux(), first);
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1_2.DD+.stream.03.mpa", "FEATURE_1_2.VC-1.stream.0.mpv"}));
    EXPECT_EQ(output("FEATURE_1_2.VC-1.stream.0.mpv"), one.video + two.video);
    EXPECT_EQ(output("FEATURE_1_2.DD+.stream.03.mpa"), one.audio + two.audio);
}

TEST_F(Demux, OutputFolderWithOrWithoutSeparatorGivesTheSameNames) {
    write("FEATURE_1.EVO", firstPart().file);
    readEvo("FEATURE_1.EVO");
    Lines plain = demux();
    ui.setText(Edit::eWorkdir, out + "/");
    EXPECT_EQ(demux(), plain);
    EXPECT_EQ(plain[2], "Creating " + out + "/FEATURE_1.VC-1.stream.0.mpv");
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1.DD+.stream.03.mpa", "FEATURE_1.VC-1.stream.0.mpv"}));
}

TEST_F(Demux, EmptyOutputFolderGivesBareNamesInTheCurrentFolder) {
    Part one = firstPart();
    write("FEATURE_1.EVO", one.file);
    readEvo("FEATURE_1.EVO");
    ui.setText(Edit::eWorkdir, "");
    struct InFolder {
        fs::path before = fs::current_path();
        explicit InFolder(const std::string& folder) { fs::current_path(folder); }
        ~InFolder() { fs::current_path(before); }
    };
    Lines log;
    {
        InFolder in(out);
        log = demux();
    }
    EXPECT_EQ(Lines(log.begin() + 2, log.begin() + 4),
              (Lines{"Creating FEATURE_1.VC-1.stream.0.mpv", "Creating FEATURE_1.DD+.stream.03.mpa"}));
    EXPECT_EQ(output("FEATURE_1.VC-1.stream.0.mpv"), one.video);
    EXPECT_EQ(output("FEATURE_1.DD+.stream.03.mpa"), one.audio);
}

TEST_F(Demux, MissingOutputFolderStopsBeforeTheEngineRuns) {
    write("FEATURE_1.EVO", firstPart().file);
    readEvo("FEATURE_1.EVO");
    std::string missing = dir.file("nowhere");
    ui.setText(Edit::eWorkdir, missing);
    int files = openDescriptors();
    std::size_t before = ui.logLines.size();
    EXPECT_EQ(demuxError(),
              "Cannot create file \"" + missing + "/FEATURE_1.VC-1.stream.0.mpv\". No such file or directory");
    EXPECT_EQ(Lines(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end()),
              (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes."}));
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    EXPECT_EQ(ui.panels[0], " Opening");
    EXPECT_EQ(openDescriptors(), files);
    EXPECT_FALSE(session.table.SourceStream.isOpen());
    // A change of a tick makes it usable again.
    ui.setTicked(audioBox(3), false);
    EXPECT_TRUE(ui.enabled(Button::bDemux));
}

TEST_F(Demux, FileThatCannotBeCreatedLeavesTheOnesBeforeItEmpty) {
    write("FEATURE_1.EVO", firstPart().file);
    readEvo("FEATURE_1.EVO");
    std::string blocked = out + "/FEATURE_1.DD+.stream.03.mpa";
    fs::create_directory(blocked);
    int files = openDescriptors();
    std::size_t before = ui.logLines.size();
    EXPECT_EQ(demuxError(), "Cannot create file \"" + blocked + "\". Is a directory");
    EXPECT_EQ(Lines(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end()),
              (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes.",
                     "Creating " + out + "/FEATURE_1.VC-1.stream.0.mpv"}));
    EXPECT_EQ(output("FEATURE_1.VC-1.stream.0.mpv"), Bytes{});
    EXPECT_EQ(openDescriptors(), files);
    EXPECT_FALSE(anyOutputOpen());
    EXPECT_FALSE(ui.enabled(Button::bDemux));
}

TEST_F(Demux, FrameTimeTakes23976PicturesASecond) {
    // 14985 and 4987 frame start codes, none cut between packets.
    auto frames = [](int n) {
        Bytes file;
        for (int k = 0; k < n; k += 250) file += pack({vc1Packet(0x55, vc1Frames(std::min(250, n - k), 0x31))});
        return file;
    };
    write("LONG.EVO", frames(14985));
    readEvo("LONG.EVO");
    EXPECT_EQ(ui.logLines.back(), "14985 frames (0:10:24 s) count in video stream 0.");
    EXPECT_EQ(demux().back(), "14985 frames (0:10:25 s) count in video stream 0.");
    write("SHORT.EVO", frames(4987));
    readEvo("SHORT.EVO");
    EXPECT_EQ(ui.logLines.back(), "4987 frames (0:03:27 s) count in video stream 0.");
    EXPECT_EQ(demux().back(), "4987 frames (0:03:28 s) count in video stream 0.");
}

TEST_F(Demux, CaptionWithAFolderSeparatorStaysInTheOutputFolder) {
    Part one = firstPart();
    write("FEATURE_1.EVO", one.file);
    readEvo("FEATURE_1.EVO");
    ui.setCaption(audioBox(3), "../../x");
    ui.setCaption(videoBox(0), "/v");
    Lines log = demux();
    EXPECT_EQ(Lines(log.begin() + 2, log.end() - 2),
              (Lines{"Creating " + out + "/FEATURE_1._v.mpv", "Creating " + out + "/FEATURE_1..._.._x.mpa"}));
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1..._.._x.mpa", "FEATURE_1._v.mpv"}));
    EXPECT_EQ(filesIn(dir.path()), (Lines{"HVDVD_TS", "out"}));
    EXPECT_EQ(output("FEATURE_1..._.._x.mpa"), one.audio);
}

TEST_F(Demux, DiskFullDuringTheRunIsAStreamWriteErrorThatKeepsTheOtherFiles) {
    // DD+ first, enough to be written out of its buffer, then video past
    // what the video buffer holds.
    Part one;
    for (int k = 0; k < 150; ++k) {
        Bytes a = ddPlusBytes(1800, static_cast<std::uint8_t>(0x40 + k % 64));
        one.file += pack({privateStream1(ac3Payload(0xC3, a), 90000)});
        one.audio += a;
    }
    for (int k = 0; k < 150; ++k) one.add(200, static_cast<std::uint8_t>(0x80 + k % 64));
    write("FEATURE_1.EVO", one.file);
    readEvo("FEATURE_1.EVO");
    fs::create_symlink("/dev/full", out + "/FEATURE_1.VC-1.stream.0.mpv");
    int files = openDescriptors();
    std::size_t before = ui.logLines.size();
    EXPECT_EQ(demuxError(), kStreamWriteError);
    EXPECT_EQ(ui.logLines.size(), before + 4);  // up to the "Creating " lines
    EXPECT_EQ(openDescriptors(), files);
    EXPECT_FALSE(anyOutputOpen());
    EXPECT_FALSE(session.table.SourceStream.isOpen());
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    Bytes audio = output("FEATURE_1.DD+.stream.03.mpa");
    EXPECT_GE(audio.size(), OutputFile::kBufferSize / 2);
    EXPECT_TRUE(startsWith(one.audio, audio)) << audio.size() << " bytes kept";
}

TEST_F(Demux, WriteFailingAtTheCloseIsAStreamWriteErrorToo) {
    // Less than a buffer of video: its bytes reach the disk only when the
    // file is closed. The DD+ file after it is still closed whole.
    Part one = firstPart();
    write("FEATURE_1.EVO", one.file);
    readEvo("FEATURE_1.EVO");
    fs::create_symlink("/dev/full", out + "/FEATURE_1.VC-1.stream.0.mpv");
    int files = openDescriptors();
    std::size_t before = ui.logLines.size();
    EXPECT_EQ(demuxError(), kStreamWriteError);
    EXPECT_EQ(ui.logLines.size(), before + 4);  // no "Done.", no frame count
    EXPECT_EQ(openDescriptors(), files);
    EXPECT_FALSE(anyOutputOpen());
    EXPECT_EQ(output("FEATURE_1.DD+.stream.03.mpa"), one.audio);
}

TEST_F(Demux, SubpictureHeaderThatCannotBeWrittenIsAStreamWriteError) {
    // Subpicture packets of one byte each, all with a PTS: most of what is
    // written are the 10-byte "SP" headers, more than a buffer of them.
    Bytes file;
    for (int p = 0; p < 110; ++p) {
        std::vector<Bytes> packets;
        for (int k = 0; k < 120; ++k)
            packets.push_back(privateStream1(subpicturePayload(0x20, {0x5A}), 90000 + p * 120 + k));
        file += pack(packets);
    }
    write("FEATURE_1.EVO", file);
    readEvo("FEATURE_1.EVO");
    ASSERT_TRUE(ui.ticked(subBox(0)));
    fs::create_symlink("/dev/full", out + "/FEATURE_1.Subpicture.00.sup");
    int files = openDescriptors();
    EXPECT_EQ(demuxError(), kStreamWriteError);
    EXPECT_EQ(openDescriptors(), files);
    EXPECT_FALSE(anyOutputOpen());
    EXPECT_FALSE(ui.enabled(Button::bDemux));
}

TEST_F(Demux, BoxesChangedDuringTheRunActAtOnceButMakeNoNewFile) {
    // DD audio in slot 5 besides: not ticked when Demux starts.
    Part head = firstPart();
    head.file += pack({privateStream1(ac3Payload(0x85, ddPlusBytes(100, 0x55)), 90000)});
    head.padTo(kFourMiB);
    Part one = head;
    one.add(6, 0x15);
    one.file += pack({privateStream1(ac3Payload(0x85, ddPlusBytes(100, 0x56)), 90000)});
    write("FEATURE_1.EVO", one.file);
    readEvo("FEATURE_1.EVO");
    ui.setTicked(audioBox(5), false);
    std::size_t linesInside = 0;
    ui.onEvents = [&] {
        ui.setTicked(audioBox(3), false);
        ui.setTicked(audioBox(5), true);
        // The tick change enables "Demux" again, but neither it nor
        // "Read EVO" starts while the files are written.
        EXPECT_TRUE(ui.enabled(Button::bDemux));
        std::size_t before = ui.logLines.size();
        bDemuxClick(session);
        bCheckClick(session);
        linesInside = ui.logLines.size() - before;
    };
    Lines log = demux();
    EXPECT_EQ(linesInside, 0u);
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"Creating " + out + "/FEATURE_1.VC-1.stream.0.mpv",
                     "Creating " + out + "/FEATURE_1.DD+.stream.03.mpa", "Done.",
                     "30 frames (0:00:01 s) count in video stream 0."}));
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1.DD+.stream.03.mpa", "FEATURE_1.VC-1.stream.0.mpv"}));
    EXPECT_EQ(output("FEATURE_1.VC-1.stream.0.mpv"), one.video);
    EXPECT_EQ(output("FEATURE_1.DD+.stream.03.mpa"), head.audio);  // nothing after the untick
    EXPECT_FALSE(anyOutputOpen());
}

// The whole command on a real DVD VOB made by ffmpeg's DVD muxer: the files
// it creates with the default extensions hold what ffmpeg's stream copy of
// each stream holds (tests/fixtures).
TEST(DemuxDvdVob, CreatesFfmpegsStreamCopyOfEachStream) {
    const std::string fixtures = STRANDEX_FIXTURES;
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    TempDir out;
    ui.setText(Edit::eWorkdir, out.path());
    ui.setText(Edit::eEVOfile, fixtures + "/two_ac3.vob");
    EVOadj(session, dialogs);
    bCheckClick(session);
    ui.logLines.clear();
    bDemuxClick(session);
    EXPECT_EQ(ui.logLines, (Lines{"Opening file two_ac3.vob", "File size: 0 Mbytes.",
                                  "Creating " + out.file("two_ac3.MPEG-2.stream.0.mpv"),
                                  "Creating " + out.file("two_ac3.DD.stream.00.mpa"),
                                  "Creating " + out.file("two_ac3.DD.stream.01.mpa"), "Done.",
                                  "60 frames (0:00:02 s) count in video stream 0."}));
    EXPECT_EQ(filesIn(out.path()),
              (Lines{"two_ac3.DD.stream.00.mpa", "two_ac3.DD.stream.01.mpa", "two_ac3.MPEG-2.stream.0.mpv"}));
    EXPECT_TRUE(readFile(out.file("two_ac3.MPEG-2.stream.0.mpv")) == readFile(fixtures + "/two_ac3.video.m2v"));
    EXPECT_TRUE(readFile(out.file("two_ac3.DD.stream.00.mpa")) == readFile(fixtures + "/two_ac3.audio0.ac3"));
    EXPECT_TRUE(readFile(out.file("two_ac3.DD.stream.01.mpa")) == readFile(fixtures + "/two_ac3.audio1.ac3"));
}

namespace {

// VC-1 in video slot 0 and DD+ in audio slots 3, 5 and 6.
Bytes threeAudioStreams() {
    return pack({vc1Packet(0x55, vc1Frames(4, 0x31)), privateStream1(ac3Payload(0xC3, ddPlusBytes(100, 0x33)), 90000),
                 privateStream1(ac3Payload(0xC5, ddPlusBytes(100, 0x35)), 90000),
                 privateStream1(ac3Payload(0xC6, ddPlusBytes(100, 0x36)), 90000)});
}

}  // namespace

TEST_F(Demux, ActsOnlyOnEnabledBoxesWhateverTheirTicks) {
    // A playlist that lists fewer tracks than the file has leaves the boxes
    // of the others disabled ("No audio stream") but ticked. Each of them
    // once got a file of that one name, written by two streams at once.
    write("FEATURE_1.EVO", threeAudioStreams());
    readEvo("FEATURE_1.EVO");
    Resetcbs(ui);  // as Read XPL does before it offers the title's tracks
    for (Box box : {videoBox(0), audioBox(3)}) ui.setBoxEnabled(box, true);
    ui.setCaption(videoBox(0), "VC-1.stream.0");
    ui.setCaption(audioBox(3), "DD+.6ch.stream.03.en");
    cbVideoClick(ui);
    ASSERT_TRUE(ui.ticked(audioBox(5)) && ui.ticked(audioBox(6)));
    EXPECT_EQ(demux(), (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes.",
                              "Creating " + out + "/FEATURE_1.VC-1.stream.0.mpv",
                              "Creating " + out + "/FEATURE_1.DD+.6ch.stream.03.en.mpa", "Done.",
                              "4 frames (0:00:00 s) count in video stream 0."}));
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1.DD+.6ch.stream.03.en.mpa", "FEATURE_1.VC-1.stream.0.mpv"}));
    EXPECT_EQ(output("FEATURE_1.DD+.6ch.stream.03.en.mpa"), ddPlusBytes(100, 0x33));

    // With every box disabled, nothing is selected and "Demux" is not usable.
    Resetcbs(ui);
    EXPECT_FALSE(ui.enabled(Button::bDemux));
}

TEST_F(Demux, TwoBoxesNamingOneFileStopBeforeAnyFileIsMade) {
    write("FEATURE_1.EVO", threeAudioStreams());
    readEvo("FEATURE_1.EVO");
    // Captions that differ only in a "/" name one file as well.
    for (auto [first, second] : {std::pair<const char*, const char*>{"DD+.stream.03", "DD+.stream.03"},
                                 {"DD+/stream.03", "DD+_stream.03"}}) {
        ui.setCaption(audioBox(3), first);
        ui.setCaption(audioBox(6), second);
        std::size_t before = ui.logLines.size();
        std::string name = out + "/FEATURE_1." + std::string(second) + ".mpa";
        EXPECT_EQ(demuxError(), sharedOutputMessage(name));
        EXPECT_EQ(ui.logLines.size(), before);
        EXPECT_TRUE(filesIn(out).empty());
        EXPECT_FALSE(anyOutputOpen());
        EXPECT_FALSE(session.table.SourceStream.isOpen());
    }
    // The same boxes with their own names demux again.
    ui.setCaption(audioBox(6), "DD+.stream.06");
    EXPECT_EQ(demux().back(), "4 frames (0:00:00 s) count in video stream 0.");
    EXPECT_EQ(filesIn(out).size(), 4u);
}
