// Stream boxes, type names, output names and the time text of the
// frame-count lines.
#include <gtest/gtest.h>

#include "cli/memory_front_end.h"
#include "commands/read_evo.h"
#include "commands/stream_selection.h"
#include "engine/time_text.h"

using namespace strandex;

TEST(TimeText, RoundsToTheMillisecondAndShowsWholeSeconds) {
    EXPECT_EQ(timeText(0), "0:00:00");
    EXPECT_EQ(timeText(24 / 24000.0 * 1001.0 / 86400.0), "0:00:01");      // 1.001 s
    EXPECT_EQ(timeText(34567 / 24000.0 * 1001.0 / 86400.0), "0:24:01");   // 1441.73 s
    EXPECT_EQ(timeText(14985 / 24000.0 * 1001.0 / 86400.0), "0:10:24");   // 624.999 s
    EXPECT_EQ(timeText(14985 / 23.976 / 86400.0), "0:10:25");              // 625.0 s
    EXPECT_EQ(timeText(4987 / 23.976 / 86400.0), "0:03:28");
    EXPECT_EQ(timeText(4987 / 24000.0 * 1001.0 / 86400.0), "0:03:27");
    EXPECT_EQ(timeText(0.9999999 / 86400.0), "0:00:01");  // 999.9999 ms rounds up
    EXPECT_EQ(timeText(25.0 / 24.0), "1:00:00");          // 25 hours wrap around
    EXPECT_EQ(timeText((2 * 86400 + 1.0) / 86400), "0:00:01");
    // The millisecond rounding comes before the wrap: 0.4 ms short of a
    // day is a whole day, 0:00:00; 0.6 ms short is still 23:59:59.
    EXPECT_EQ(timeText((86400 - 0.0004) / 86400), "0:00:00");
    EXPECT_EQ(timeText((86400 - 0.0006) / 86400), "23:59:59");
    EXPECT_EQ(timeText(10 * 3600.5 / 86400.0), "10:00:05");
}

TEST(FrameCountLine, NamesFramesTimeAndSlot) {
    EXPECT_EQ(frameCountLine(34567, 34567 / 24000.0 * 1001.0 / 86400.0, 0),
              "34567 frames (0:24:01 s) count in video stream 0.");
    EXPECT_EQ(frameCountLine(24, 24 / 24000.0 * 1001.0 / 86400.0, 1),
              "24 frames (0:00:01 s) count in video stream 1.");
}

TEST(TypeNames, CoverEachIdRange) {
    EXPECT_EQ(VideoTypeName(0x55), "VC-1.stream");
    EXPECT_EQ(VideoTypeName(0xE1), "MPEG-2.stream");
    EXPECT_EQ(VideoTypeName(0xE2), "H.264.stream");
    EXPECT_EQ(AudioTypeName(0x87), "DD.stream");
    EXPECT_EQ(AudioTypeName(0x88), "DTSHD.stream");
    EXPECT_EQ(AudioTypeName(0xA5), "LPCM.stream");
    EXPECT_EQ(AudioTypeName(0xB7), "MLP.stream");
    EXPECT_EQ(AudioTypeName(0xCF), "DD+.stream");
    EXPECT_EQ(SubTypeName(0x2F), "Subpicture");
    EXPECT_EQ(SubTypeName(0x6C), "Ext.Subpicture");
    EXPECT_EQ(AudioTypeName(0x90), "");
}

TEST(Resetcbs, DisablesAndRecaptionsButKeepsTicks) {
    MemoryFrontEnd ui;
    ui.setBoxEnabled(audioBox(3), true);
    ui.setTicked(audioBox(3), true);
    Resetcbs(ui);
    EXPECT_TRUE(ui.ticked(audioBox(3)));
    EXPECT_FALSE(ui.boxEnabled(audioBox(3)));
    EXPECT_EQ(ui.caption(videoBox(7)), "No video stream");
    EXPECT_EQ(ui.caption(audioBox(3)), "No audio stream");
    EXPECT_EQ(ui.caption(subBox(0)), "No subpicture");
}

TEST(SelectionRule, DemuxFollowsTheTicks) {
    MemoryFrontEnd ui;
    ui.setBoxEnabled(subBox(15), true);
    ui.setBoxEnabled(audioBox(0), true);
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    ui.setTicked(subBox(15), true);
    EXPECT_TRUE(ui.enabled(Button::bDemux));
    ui.setTicked(audioBox(0), true);
    ui.setTicked(subBox(15), false);
    EXPECT_TRUE(ui.enabled(Button::bDemux));
    ui.setTicked(audioBox(0), false);
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    // Option switches are not stream boxes and do not touch "Demux".
    ui.setTicked(Box::cbDetails, false);
    ui.setTicked(Box::cbDetails, true);
    EXPECT_FALSE(ui.enabled(Button::bDemux));
}

TEST(SelectionRule, ADisabledBoxSelectsNothing) {
    // A disabled box reads "No audio stream": its tick, left from an earlier
    // command, does not make "Demux" usable, and Resetcbs, which disables
    // every box, makes it unusable at once.
    MemoryFrontEnd ui;
    ui.setTicked(audioBox(4), true);
    EXPECT_FALSE(selected(ui, audioBox(4)));
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    ui.setBoxEnabled(audioBox(4), true);
    cbVideoClick(ui);
    EXPECT_TRUE(selected(ui, audioBox(4)));
    EXPECT_TRUE(ui.enabled(Button::bDemux));
    Resetcbs(ui);
    EXPECT_TRUE(ui.ticked(audioBox(4)));
    EXPECT_FALSE(ui.enabled(Button::bDemux));
}

TEST(OutputName, JoinsFolderBaseCaptionAndExtension) {
    MemoryFrontEnd ui;
    ui.setCaption(videoBox(0), "VC-1.stream.0");
    ui.setCaption(audioBox(3), "DD+.stream.03");
    ui.setCaption(audioBox(5), "LPCM.stream.05");
    ui.setCaption(subBox(0), "Subpicture.00");
    EXPECT_EQ(outputPrefix("/out", "FEATURE_1"), "/out/FEATURE_1");
    EXPECT_EQ(outputPrefix("/out/", "FEATURE_1"), "/out/FEATURE_1");
    EXPECT_EQ(outputPrefix("", "FEATURE_1"), "FEATURE_1");
    std::string prefix = outputPrefix("/out", "FEATURE_1");
    EXPECT_EQ(outputName(ui, prefix, videoBox(0)), "/out/FEATURE_1.VC-1.stream.0.mpv");
    EXPECT_EQ(outputName(ui, prefix, audioBox(3)), "/out/FEATURE_1.DD+.stream.03.mpa");
    EXPECT_EQ(outputName(ui, prefix, subBox(0)), "/out/FEATURE_1.Subpicture.00.sup");
    EXPECT_EQ(outputName(ui, "FEATURE_1", audioBox(5)), "FEATURE_1.LPCM.stream.05.mpa");
    ui.setText(Edit::eVideoExt, "m2v");
    ui.setText(Edit::eAudioExt, "");
    EXPECT_EQ(outputName(ui, "F", videoBox(0)), "F.VC-1.stream.0.m2v");
    EXPECT_EQ(outputName(ui, "F", audioBox(3)), "F.DD+.stream.03.");
}
