// "Rebuild" through the in-memory front end, and its pack step on its own:
// packs of unticked streams left out, kept streams renumbered in order of
// appearance, the system headers' bounds set from the ticks read live, the
// second part of a split feature, progress and Cancel, short and broken
// packs, file errors, and a real DVD VOB rebuilt and read back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <regex>
#include <unistd.h>

#include "cli/memory_front_end.h"
#include "commands/cancel.h"
#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "commands/rebuild_command.h"
#include "commands/rebuild_numbering.h"
#include "commands/rebuild_packs.h"
#include "commands/source_selection.h"
#include "commands/stream_selection.h"
#include "engine/file_io.h"
#include "support/byte_difference.h"
#include "support/command_bench.h"
#include "support/engine_checks.h"
#include "support/failing_files.h"
#include "support/fixture_files.h"
#include "support/pack_builder.h"
#include "support/test_sizes.h"

using namespace strandex;
using namespace strandex::test;

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// A packet of each kind; the tag fills the payload so that packs of one
// stream differ and a misplaced pack shows.
Bytes mpeg2(std::uint8_t streamId, std::uint8_t tag) { return videoPacket(streamId, repeat(tag, 64), 90000); }
Bytes vc1(std::uint8_t extension, std::uint8_t tag) { return vc1Packet(extension, repeat(tag, 64)); }
Bytes ac3Kind(std::uint8_t substream, std::uint8_t tag) {  // DD, DD+, DTS-HD
    return privateStream1(ac3Payload(substream, Bytes{0x0B, 0x77} + repeat(tag, 60)), 90000);
}
Bytes lpcm(std::uint8_t substream, std::uint8_t tag) {
    return privateStream1(lpcmPayload(substream, repeat(tag, 64)), 90000);
}
Bytes mlp(std::uint8_t substream, std::uint8_t tag) {
    return privateStream1(mlpPayload(substream, repeat(tag, 64)), 90000);
}
Bytes subpicture(std::uint8_t substream, std::uint8_t tag) {
    return privateStream1(subpicturePayload(substream, Bytes{0x00, 0x20} + repeat(tag, 30)), 90000);
}
Bytes mpegAudio(std::uint8_t streamId, std::uint8_t tag) { return videoPacket(streamId, repeat(tag, 64), 90000); }

// The first pack of a navigation unit: system header and navigation data.
Bytes navPack(int audioBound, int videoBound) {
    return pack({systemHeader(audioBound, videoBound), navigationPacket(repeat(0x4E, 980))});
}

// Padding packs up to `total` bytes, a multiple of 2048.
Bytes padTo(Bytes bytes, std::size_t total) {
    const Bytes padding = pack({});
    while (bytes.size() < total) bytes += padding;
    return bytes;
}

// The lines of "Read EVO" over a file, in a session of its own, that name a
// stream found ("DD+ audio stream 0 found!").
Lines streamsFound(const std::string& path) {
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    ui.setText(Edit::eEVOfile, path);
    EVOadj(session, dialogs);
    bCheckClick(session);
    Lines found;
    for (const auto& line : ui.logLines)
        if (line.size() > 7 && line.compare(line.size() - 7, 7, " found!") == 0) found.push_back(line);
    return found;
}

// Collects the progress lines shown on status panel 1.
std::function<void()> progressRecorder(const MemoryFrontEnd& ui, Lines& lines) {
    return [&ui, &lines] {
        const std::string& shown = ui.panels[1];
        if (shown.rfind(" Rebuilding", 0) == 0 && (lines.empty() || lines.back() != shown)) lines.push_back(shown);
    };
}

class RebuildCommand : public ::testing::Test, protected CommandBench {
protected:
    Lines rebuild() { return linesOf(bRebuildClick); }
    std::string rebuildError() { return run(bRebuildClick); }
    Bytes output(const std::string& name = "FEATURE_1.rebuilt.EVO") const { return CommandBench::output(name); }
    Lines doneLog(const std::string& outputName = "FEATURE_1.rebuilt.EVO", const std::string& size = "0") const {
        return {"Opening file FEATURE_1.EVO", "File size: " + size + " Mbytes.", "Creating " + out + "/" + outputName,
                "Done."};
    }
    void expectClosedAndReady() {
        EXPECT_FALSE(session.table.SourceStream.isOpen());
        EXPECT_FALSE(session.table.VideoOut[0].isOpen());
        EXPECT_FALSE(ui.enabled(Button::bCancel));
        EXPECT_EQ(ui.panels[0], " Ready");
        EXPECT_EQ(ui.panels[1], " ");
    }
};

}  // namespace

TEST_F(RebuildCommand, EverythingTickedWithMatchingBoundsGivesAByteIdenticalCopy) {
    Bytes file = navPack(1, 1) + pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 2)}) +
                 pack({mpeg2(0xE0, 3), ac3Kind(0xC0, 4)}) + pack({}) + navPack(1, 1) + pack({ac3Kind(0xC0, 5)});
    write("FEATURE_1.EVO", file);
    readEvo();
    ui.showPage(Page::tsOption);
    // A file left by an earlier run is replaced.
    dir.write("out/FEATURE_1.rebuilt.EVO", repeat(0x33, 30000));
    EXPECT_EQ(rebuild(), doneLog());  // no FEATURE_2.EVO: no "_2", no continuation
    EXPECT_EQ(output(), file);
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1.rebuilt.EVO"}));
    EXPECT_EQ(ui.page, Page::tsStatus);
    EXPECT_EQ(session.table.BusyFlag, 1);  // left set
    expectClosedAndReady();
}

TEST_F(RebuildCommand, UntickedSecondDdPlusIsLeftOutUntickedFirstRenumbersTheSecond) {
    Bytes file = navPack(2, 1) + pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 2)}) + pack({ac3Kind(0xC1, 3)}) +
                 pack({mpeg2(0xE0, 4)}) + pack({ac3Kind(0xC1, 5)}) + pack({ac3Kind(0xC0, 6)});
    write("FEATURE_1.EVO", file);

    readEvo();
    ui.setTicked(audioBox(1), false);
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), navPack(1, 1) + pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 2)}) + pack({mpeg2(0xE0, 4)}) +
                            pack({ac3Kind(0xC0, 6)}));
    EXPECT_EQ(streamsFound(out + "/FEATURE_1.rebuilt.EVO"),
              (Lines{"MPEG-2 video stream 0 found!", "DD+ audio stream 0 found!"}));

    readEvo();  // ticks both again
    ui.setTicked(audioBox(0), false);
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), navPack(1, 1) + pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 3)}) + pack({mpeg2(0xE0, 4)}) +
                            pack({ac3Kind(0xC0, 5)}));
    EXPECT_EQ(streamsFound(out + "/FEATURE_1.rebuilt.EVO"),
              (Lines{"MPEG-2 video stream 0 found!", "DD+ audio stream 0 found!"}));
}

TEST_F(RebuildCommand, OneAudioCountForAllKindsAndOneEachForVideoAndSubpictures) {
    // DD+ 0xC2 is met first and DTS-HD 0x8B second: 0xC0 and 0x89. VC-1
    // 0x56 is the first video (0x55), MPEG-2 0xE0 the second (0xE1);
    // subpicture 0x22 the first subpicture (0x20); the MPEG audio stream
    // 0xD5 the third audio stream (0xD2).
    write("FEATURE_1.EVO", pack({ac3Kind(0xC2, 1)}) + pack({vc1(0x56, 2)}) + pack({subpicture(0x22, 3)}) +
                               pack({ac3Kind(0x8B, 4)}) + pack({mpeg2(0xE0, 5)}) + pack({mpegAudio(0xD5, 6)}) +
                               pack({ac3Kind(0xC2, 7)}) + pack({ac3Kind(0x8B, 8)}));
    readEvo();
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), pack({ac3Kind(0xC0, 1)}) + pack({vc1(0x55, 2)}) + pack({subpicture(0x20, 3)}) +
                            pack({ac3Kind(0x89, 4)}) + pack({mpeg2(0xE1, 5)}) + pack({mpegAudio(0xD2, 6)}) +
                            pack({ac3Kind(0xC0, 7)}) + pack({ac3Kind(0x89, 8)}));
    EXPECT_EQ(streamsFound(out + "/FEATURE_1.rebuilt.EVO"),
              (Lines{"DD+ audio stream 0 found!", "VC-1 video stream 0 found!", "Subpicture stream 0 found!",
                     "DTS HD audio stream 1 found!", "MPEG-2 video stream 1 found!"}));
}

TEST_F(RebuildCommand, BeforeAnyReadEvoNothingIsDroppedButStreamsAreRenumbered) {
    // No box is ticked yet, no table entry names a stream: every pack stays,
    // and the bounds say no stream is ticked.
    write("FEATURE_1.EVO", navPack(3, 1) + pack({mpeg2(0xE1, 1)}) + pack({ac3Kind(0xC1, 2)}) +
                               pack({ac3Kind(0x8A, 3)}) + pack({subpicture(0x23, 4)}) + pack({ac3Kind(0xC1, 5)}));
    choose("FEATURE_1.EVO");
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), navPack(0, 0) + pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 2)}) + pack({ac3Kind(0x89, 3)}) +
                            pack({subpicture(0x20, 4)}) + pack({ac3Kind(0xC0, 5)}));
    expectClosedAndReady();
}

TEST_F(RebuildCommand, BoundsCountTheTickedBoxesAndKeepTheFlagBits) {
    // Byte 23: audio_bound, fixed_flag 1, CSPS_flag 0. Byte 24: audio lock
    // 0, video lock 1, marker 0, video_bound. The DD+ packet behind the
    // system header is not looked at: its pack stays with its id.
    Bytes header = pack({systemHeader(0, 0), ac3Kind(0xC1, 1)});
    header[23] = 0x02;
    header[24] = 0x40;
    write("FEATURE_1.EVO", header + pack({mpeg2(0xE0, 2)}) + pack({ac3Kind(0xC0, 3)}) + pack({ac3Kind(0xC1, 4)}));
    readEvo();
    ui.setTicked(audioBox(1), false);
    ui.setTicked(audioBox(9), true);  // disabled: stands for no stream, not counted
    ui.setTicked(videoBox(2), true);  // no slot: not a video bound
    EXPECT_EQ(rebuild(), doneLog());
    Bytes expected = header;
    expected[23] = (1 << 2) | 0x02;
    expected[24] = 0x40 | 1;
    EXPECT_EQ(output(), expected + pack({mpeg2(0xE0, 2)}) + pack({ac3Kind(0xC0, 3)}));

    for (int n = 0; n < 16; ++n) {
        ui.setBoxEnabled(audioBox(n), true);
        ui.setTicked(audioBox(n), true);
    }
    ui.setTicked(videoBox(0), false);
    ui.setTicked(videoBox(1), true);  // disabled
    rebuild();
    expected[23] = (16 << 2) | 0x02;
    expected[24] = 0x40;
    EXPECT_EQ(head(output(), 2048), expected);
}

TEST_F(RebuildCommand, EveryAudioAndSubpictureKindIsLeftOutWhenUntickedAndRenumbered) {
    // DD 0x81, LPCM 0xA2, MLP 0xB3, DTS-HD 0x8D and DD+ 0xC8, 0xC9, 0xCF in
    // audio slots 1, 2, 3, 5, 8, 9, 15; subpicture 0x20 and extended
    // subpicture 0x61, 0x64, 0x6F in slots 0, 1, 4, 15.
    Bytes file = pack({ac3Kind(0x81, 1)}) + pack({lpcm(0xA2, 2)}) + pack({mlp(0xB3, 3)}) + pack({ac3Kind(0x8D, 4)}) +
                 pack({ac3Kind(0xC8, 5)}) + pack({ac3Kind(0xC9, 6)}) + pack({ac3Kind(0xCF, 7)}) +
                 pack({subpicture(0x20, 8)}) + pack({subpicture(0x61, 9)}) + pack({subpicture(0x64, 10)}) +
                 pack({subpicture(0x6F, 11)}) + pack({ac3Kind(0x81, 12)}) + pack({lpcm(0xA2, 13)});
    write("FEATURE_1.EVO", file);
    readEvo();
    for (int slot : {1, 2, 3, 8, 15}) ui.setTicked(audioBox(slot), false);
    for (int slot : {1, 15}) ui.setTicked(subBox(slot), false);
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), pack({ac3Kind(0x88, 4)}) + pack({ac3Kind(0xC1, 6)}) + pack({subpicture(0x20, 8)}) +
                            pack({subpicture(0x61, 10)}));
    EXPECT_EQ(streamsFound(out + "/FEATURE_1.rebuilt.EVO"),
              (Lines{"DTS HD audio stream 0 found!", "DD+ audio stream 1 found!", "Subpicture stream 0 found!",
                     "Extended subpicture stream 1 found!"}));

    readEvo();  // everything ticked: each kind renumbered in order of appearance
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), pack({ac3Kind(0x80, 1)}) + pack({lpcm(0xA1, 2)}) + pack({mlp(0xB2, 3)}) +
                            pack({ac3Kind(0x8B, 4)}) + pack({ac3Kind(0xC4, 5)}) + pack({ac3Kind(0xC5, 6)}) +
                            pack({ac3Kind(0xC6, 7)}) + pack({subpicture(0x20, 8)}) + pack({subpicture(0x61, 9)}) +
                            pack({subpicture(0x62, 10)}) + pack({subpicture(0x63, 11)}) + pack({ac3Kind(0x80, 12)}) +
                            pack({lpcm(0xA1, 13)}));
    EXPECT_EQ(streamsFound(out + "/FEATURE_1.rebuilt.EVO"),
              (Lines{"DD audio stream 0 found!", "LPCM audio stream 1 found!", "MLP audio stream 2 found!",
                     "DTS HD audio stream 3 found!", "DD+ audio stream 4 found!", "DD+ audio stream 5 found!",
                     "DD+ audio stream 6 found!", "Subpicture stream 0 found!",
                     "Extended subpicture stream 1 found!", "Extended subpicture stream 2 found!",
                     "Extended subpicture stream 3 found!"}));
}

TEST_F(RebuildCommand, ANumberOutsideTheKindsRangeIsNotGivenButStillCounted) {
    // DD+ 0xC8 to 0xCF take audio numbers 0 to 7. Dolby Digital 0x80 comes
    // ninth: 0x80 | 8 would read as DTS 0x88, so it keeps 0x80; the count
    // goes on, and DTS-HD 0x8A, tenth, becomes 0x88 | 9.
    Bytes file;
    Bytes expected;
    for (int k = 0; k < 8; ++k) {
        file += pack({ac3Kind(static_cast<std::uint8_t>(0xC8 + k), static_cast<std::uint8_t>(k))});
        expected += pack({ac3Kind(static_cast<std::uint8_t>(0xC0 + k), static_cast<std::uint8_t>(k))});
    }
    file += pack({ac3Kind(0x80, 8)}) + pack({ac3Kind(0x8A, 9)}) + pack({ac3Kind(0x80, 10)});
    expected += pack({ac3Kind(0x80, 8)}) + pack({ac3Kind(0x89, 9)}) + pack({ac3Kind(0x80, 10)});
    write("FEATURE_1.EVO", file);
    readEvo();
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), expected);
}

TEST_F(RebuildCommand, AStreamWhoseOwnIdIsTakenGetsTheLowestFreeIdOfItsKind) {
    // Dolby Digital 0x85 comes first and becomes 0x80; DD+ 0xC1 to 0xC7
    // keep their ids. Dolby Digital 0x80 comes ninth: 0x80 | 8 would read
    // as DTS and its own id is 0x85's now, so it takes 0x81.
    Bytes file = pack({ac3Kind(0x85, 0)});
    Bytes expected = pack({ac3Kind(0x80, 0)});
    for (std::uint8_t k = 1; k < 8; ++k) {
        file += pack({ac3Kind(static_cast<std::uint8_t>(0xC0 + k), k)});
        expected += pack({ac3Kind(static_cast<std::uint8_t>(0xC0 + k), k)});
    }
    file += pack({ac3Kind(0x80, 8)}) + pack({ac3Kind(0x85, 9)}) + pack({ac3Kind(0x80, 10)});
    expected += pack({ac3Kind(0x81, 8)}) + pack({ac3Kind(0x80, 9)}) + pack({ac3Kind(0x81, 10)});
    write("FEATURE_1.EVO", file);
    readEvo();
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), expected);
    // The substream ids as the rebuilt file holds them, pack by pack.
    Bytes rebuilt = output();
    Bytes ids;
    for (std::size_t at = 0; at + 2048 <= rebuilt.size(); at += 2048)
        ids.push_back(rebuilt[at + 23 + rebuilt[at + 22]]);
    EXPECT_EQ(ids, (Bytes{0x80, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0x81, 0x80, 0x81}));
}

TEST_F(RebuildCommand, KeptPacksThatNoTestNumbersKeepTheirBytes) {
    // Private stream 1 ids of no known kind, a VC-1 extension outside 0x55
    // and 0x56, navigation data, padding: copied as they are, never given
    // a number of 255.
    Bytes file = pack({ac3Kind(0xC1, 1)}) + pack({privateStream1(ac3Payload(0x10, repeat(2, 40)))}) +
                 pack({privateStream1(ac3Payload(0x98, repeat(3, 40)))}) +
                 pack({privateStream1(ac3Payload(0xA9, repeat(4, 40)))}) +
                 pack({privateStream1(ac3Payload(0xB8, repeat(5, 40)))}) +
                 pack({privateStream1(ac3Payload(0xFF, repeat(6, 40)))}) + pack({vc1(0x57, 7)}) +
                 pack({navigationPacket(repeat(8, 100))}) + pack({});
    write("FEATURE_1.EVO", file);
    readEvo();
    EXPECT_EQ(rebuild(), doneLog());
    Bytes expected = file;
    expected[23 + 5] = 0xC0;  // the one stream that is numbered
    EXPECT_EQ(output(), expected);
}

TEST_F(RebuildCommand, BlocksThatDoNotStartAPackAreNotWritten) {
    Bytes broken = pack({ac3Kind(0xC0, 3)});
    broken[3] = 0xBB;
    write("FEATURE_1.EVO", pack({mpeg2(0xE0, 1)}) + randomBytes(2048, 7) + broken + pack({ac3Kind(0xC0, 2)}) +
                               repeat(0x00, 100));
    readEvo();
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 2)}));
}

TEST_F(RebuildCommand, AShortLastPackIsWrittenWithItsLength) {
    // 0xC0 unticked: the last 1500 bytes, a pack of 0xC1, are renumbered
    // and written as they are.
    write("FEATURE_1.EVO", pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 2)}) + pack({ac3Kind(0xC1, 3)}) +
                               head(pack({ac3Kind(0xC1, 4)}), 1500));
    readEvo();
    ui.setTicked(audioBox(0), false);
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 3)}) + head(pack({ac3Kind(0xC0, 4)}), 1500));

    // A last pack of 20 bytes that ends right after its private stream 1
    // start code and length, in the second block; the same place of the
    // first block held a pack of the unticked 0xC0. Nothing of the earlier
    // block is taken for its bytes: it stays.
    Bytes file = padTo(pack({ac3Kind(0xC0, 5)}) + pack({ac3Kind(0xC0, 6)}), kBlockSize) + pack({mpeg2(0xE0, 7)});
    Bytes last = head(pack({ac3Kind(0xC0, 8)}), 20);
    write("FEATURE_1.EVO", file + last);
    readEvo();
    ui.setTicked(audioBox(0), false);
    rebuild();
    EXPECT_EQ(output(), padTo(Bytes{}, kBlockSize - 2 * 2048) + pack({mpeg2(0xE0, 7)}) + last);

    // An empty source gives an empty output.
    write("FEATURE_1.EVO", {});
    readEvo();
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), Bytes{});
    expectClosedAndReady();
}

TEST_F(RebuildCommand, ProgressEveryFourMebibytesOfTheSourceWithEventsLetRun) {
    // Half of the packs are left out: the progress counts the source.
    Bytes unit = pack({ac3Kind(0xC0, 1)}) + pack({ac3Kind(0xC1, 2)});
    Bytes file;
    while (file.size() < 2 * kFourMiB + 2048) file += unit;
    write("FEATURE_1.EVO", file);
    readEvo();
    ui.setTicked(audioBox(1), false);
    Lines progress;
    int events = 0;
    ui.onStatus = progressRecorder(ui, progress);
    ui.onEvents = [&] {
        ++events;
        EXPECT_EQ(ui.panels[0], " Writing EVO...");
        EXPECT_TRUE(ui.enabled(Button::bCancel));
    };
    EXPECT_EQ(rebuild(), doneLog("FEATURE_1.rebuilt.EVO", "8"));
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(events, 2);
    const std::regex time(" Remaining time: [0-9]+:[0-5][0-9]:[0-5][0-9]$");
    EXPECT_EQ(progress[0].rfind(" Rebuilding FEATURE_1.EVO 4/8 Mbytes,", 0), 0u) << progress[0];
    EXPECT_EQ(progress[1].rfind(" Rebuilding FEATURE_1.EVO 8/8 Mbytes,", 0), 0u) << progress[1];
    EXPECT_TRUE(std::regex_search(progress[0], time)) << progress[0];
    EXPECT_TRUE(std::regex_search(progress[1], time)) << progress[1];
    EXPECT_EQ(output().size(), file.size() / 2);
    expectClosedAndReady();
}

TEST_F(RebuildCommand, TicksAndBoundsAreReadLiveAndNoOtherCommandStarts) {
    // At the first event point the user unticks 0xC0: from the next pack on
    // its packs are left out and the bounds count one audio stream. 0xC1
    // keeps the number it was given before.
    Bytes before = padTo(navPack(2, 0) + pack({ac3Kind(0xC0, 1)}) + pack({ac3Kind(0xC1, 2)}), kFourMiB);
    Bytes after = navPack(2, 0) + pack({ac3Kind(0xC0, 3)}) + pack({ac3Kind(0xC1, 4)});
    write("FEATURE_1.EVO", before + after);
    readEvo();
    std::size_t linesBefore = 0;
    Lines nested{"(not run)"};
    ui.onEvents = [&] {
        ui.setTicked(audioBox(0), false);
        linesBefore = ui.logLines.size();
        bCheckClick(session);
        bDemuxClick(session);
        bRebuildClick(session);
        nested = logSince(linesBefore);
    };
    EXPECT_EQ(rebuild(), doneLog("FEATURE_1.rebuilt.EVO", "4"));
    EXPECT_EQ(nested, Lines{});
    EXPECT_EQ(output(), before + navPack(1, 0) + pack({ac3Kind(0xC1, 4)}));
}

TEST_F(RebuildCommand, CancelAsksFirstAndStopsAfterTheCurrentPackWithoutContinuing) {
    Bytes one = padTo(pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 2)}), kFourMiB) + pack({ac3Kind(0xC0, 3)});
    Bytes two = pack({ac3Kind(0xC0, 4)});
    write("FEATURE_1.EVO", one);
    write("FEATURE_2.EVO", two);
    readEvo();
    ui.onEvents = [&] { bCancelClick(session); };

    // No: the run goes on, into the second part.
    ui.onConfirm = [](const std::string&) { return false; };
    EXPECT_EQ(rebuild(), (Lines{"Opening file FEATURE_1.EVO", "File size: 4 Mbytes.",
                                "Creating " + out + "/FEATURE_1_2.rebuilt.EVO", "Continue on FEATURE_2.EVO",
                                "Done."}));
    EXPECT_EQ(ui.questions, (Lines{"Are you sure to stop demuxing?"}));
    EXPECT_EQ(output("FEATURE_1_2.rebuilt.EVO"), one + two);

    // Yes: the pack that reached the event point is the last one written.
    ui.onConfirm = nullptr;
    EXPECT_EQ(rebuild(), doneLog("FEATURE_1_2.rebuilt.EVO", "4"));
    EXPECT_EQ(ui.questions.size(), 2u);
    EXPECT_EQ(session.table.StopFlag, 1);
    EXPECT_EQ(output("FEATURE_1_2.rebuilt.EVO"), head(one, kFourMiB));
    expectClosedAndReady();
}

TEST_F(RebuildCommand, SecondPartFollowsWithTheNumberingCarriedOver) {
    // First part: 0xC2 then 0xC1 (0xC0 and 0xC1). Second part: the same
    // streams keep those numbers, a stream met only there (0xC5) comes
    // third, and the unticked 0xC3 is left out there too.
    write("FEATURE_1.EVO", pack({ac3Kind(0xC2, 1)}) + pack({ac3Kind(0xC1, 2)}) + pack({ac3Kind(0xC3, 3)}));
    Bytes two = padTo(pack({ac3Kind(0xC1, 4)}) + pack({ac3Kind(0xC5, 5)}) + pack({ac3Kind(0xC3, 6)}) +
                          pack({ac3Kind(0xC2, 7)}),
                      kFourMiB);
    write("FEATURE_2.EVO", two);
    readEvo();
    ui.setTicked(audioBox(3), false);
    Lines progress;
    ui.onStatus = progressRecorder(ui, progress);
    EXPECT_EQ(rebuild(), (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes.",
                                "Creating " + out + "/FEATURE_1_2.rebuilt.EVO", "Continue on FEATURE_2.EVO",
                                "Done."}));
    Bytes expectedOne = pack({ac3Kind(0xC0, 1)}) + pack({ac3Kind(0xC1, 2)});
    Bytes expectedTwo = pack({ac3Kind(0xC1, 4)}) + pack({ac3Kind(0xC2, 5)}) + pack({ac3Kind(0xC0, 7)});
    EXPECT_EQ(output("FEATURE_1_2.rebuilt.EVO"), padTo(expectedOne + expectedTwo, two.size() - 2048 + 4096));
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].rfind(" Rebuilding FEATURE_2.EVO 4/4 Mbytes,", 0), 0u) << progress[0];
    expectClosedAndReady();

    // Without the option: the first part alone, no "_2".
    ui.setTicked(Box::cbContinue, false);
    EXPECT_EQ(rebuild(), doneLog());
    EXPECT_EQ(output(), expectedOne);
}

TEST_F(RebuildCommand, ALowerCaseFirstPartIsNeverContinued) {
    write("feature_1.evo", pack({ac3Kind(0xC0, 1)}));
    write("feature_2.evo", pack({ac3Kind(0xC0, 2)}));
    write("feature_2.EVO", pack({ac3Kind(0xC0, 3)}));
    readEvo("feature_1.evo");
    EXPECT_EQ(rebuild(), (Lines{"Opening file feature_1.evo", "File size: 0 Mbytes.",
                                "Creating " + out + "/feature_1.rebuilt.EVO", "Done."}));
    EXPECT_EQ(output("feature_1.rebuilt.EVO"), pack({ac3Kind(0xC0, 1)}));
}

TEST_F(RebuildCommand, AMissingSourceStopsAfterTheOpeningLine) {
    int filesBefore = openDescriptors();
    choose("FEATURE_1.EVO");
    EXPECT_EQ(rebuildError(), "Cannot open file \"" + sources + "/FEATURE_1.EVO\". No such file or directory");
    EXPECT_EQ(ui.logLines, (Lines{"Opening file FEATURE_1.EVO"}));
    EXPECT_EQ(ui.panels[0], " Opening");
    EXPECT_EQ(filesIn(out), Lines{});
    EXPECT_FALSE(session.table.SourceStream.isOpen());
    EXPECT_EQ(openDescriptors(), filesBefore);
    // The command can run again.
    write("FEATURE_1.EVO", pack({ac3Kind(0xC0, 1)}));
    EXPECT_EQ(rebuild().back(), "Done.");
}

TEST_F(RebuildCommand, AMissingOutputFolderIsACreateError) {
    write("FEATURE_1.EVO", pack({ac3Kind(0xC0, 1)}));
    readEvo();
    std::string missing = dir.file("nowhere");
    ui.setText(Edit::eWorkdir, missing);
    int filesBefore = openDescriptors();
    std::size_t before = ui.logLines.size();
    EXPECT_EQ(rebuildError(),
              "Cannot create file \"" + missing + "/FEATURE_1.rebuilt.EVO\". No such file or directory");
    EXPECT_EQ(logSince(before), (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes."}));
    EXPECT_EQ(ui.panels[0], " Opening");
    EXPECT_FALSE(session.table.SourceStream.isOpen());
    EXPECT_EQ(openDescriptors(), filesBefore);
}

TEST_F(RebuildCommand, AWriteErrorEndsTheRunWithEveryFileClosed) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    fs::create_symlink("/dev/full", out + "/FEATURE_1.rebuilt.EVO");
    // A small output fails when it is closed, a large one while it is
    // written; both the same way.
    for (std::size_t size : {std::size_t{2048}, std::size_t{1048576}}) {
        SCOPED_TRACE(size);
        write("FEATURE_1.EVO", padTo(pack({ac3Kind(0xC0, 1)}), size));
        readEvo();
        int filesBefore = openDescriptors();
        std::size_t before = ui.logLines.size();
        EXPECT_EQ(rebuildError(), "Stream write error");
        EXPECT_EQ(logSince(before), (Lines{"Opening file FEATURE_1.EVO",
                                           "File size: " + std::to_string(size / 1048576) + " Mbytes.",
                                           "Creating " + out + "/FEATURE_1.rebuilt.EVO"}));
        EXPECT_EQ(ui.panels[0], " Writing EVO...");
        EXPECT_FALSE(session.table.SourceStream.isOpen());
        EXPECT_FALSE(session.table.VideoOut[0].isOpen());
        EXPECT_FALSE(ui.enabled(Button::bCancel));
        EXPECT_EQ(openDescriptors(), filesBefore);
    }
}

// Read EVO and Demux of the rebuilt file give each kept stream exactly as
// Demux of the original gives it, and nothing of the stream left out.
TEST_F(RebuildCommand, DemuxOfTheRebuiltFileGivesTheKeptStreamsAsTheOriginalDoes) {
    auto frames = [](std::uint8_t tag) {
        Bytes b;
        for (int k = 0; k < 3; ++k) b += Bytes{0x00, 0x00, 0x01, 0x0D} + repeat(tag, 20);
        return b;
    };
    Bytes file = navPack(3, 1);
    for (std::uint8_t k = 0; k < 6; ++k) {
        file += pack({vc1Packet(0x55, frames(k))});
        file += pack({ac3Kind(0xC0, k)});
        file += pack({ac3Kind(0xC1, static_cast<std::uint8_t>(0x40 + k))});
        file += pack({ac3Kind(0x82, static_cast<std::uint8_t>(0x80 + k))});
        file += pack({subpicture(0x21, k)});
    }
    write("FEATURE_1.EVO", file);
    readEvo();
    ui.setTicked(audioBox(0), false);

    // The original's streams, but for the unticked one.
    auto demuxInto = [&](const std::string& folder) {
        fs::create_directory(folder);
        ui.setText(Edit::eWorkdir, folder);
        bDemuxClick(session);
        std::map<std::string, Bytes> files;
        for (const auto& name : filesIn(folder)) files[name] = readFile(folder + "/" + name);
        return files;
    };
    auto original = demuxInto(dir.file("original"));
    ui.setText(Edit::eWorkdir, out);
    rebuild();

    choose("../out/FEATURE_1.rebuilt.EVO");
    bCheckClick(session);
    EXPECT_EQ(ui.caption(audioBox(0)), "DD+.stream.00");  // 0xC1 became 0xC0
    EXPECT_EQ(ui.caption(audioBox(1)), "DD.stream.01");   // 0x82 became 0x81
    EXPECT_FALSE(ui.boxEnabled(audioBox(2)));
    EXPECT_EQ(ui.caption(subBox(0)), "Subpicture.00");    // 0x21 became 0x20
    auto rebuilt = demuxInto(dir.file("rebuilt"));

    ASSERT_EQ(original.size(), 4u);
    ASSERT_EQ(rebuilt.size(), 4u);
    EXPECT_EQ(rebuilt["FEATURE_1.rebuilt.VC-1.stream.0.mpv"], original["FEATURE_1.VC-1.stream.0.mpv"]);
    EXPECT_EQ(rebuilt["FEATURE_1.rebuilt.DD+.stream.00.mpa"], original["FEATURE_1.DD+.stream.01.mpa"]);
    EXPECT_EQ(rebuilt["FEATURE_1.rebuilt.DD.stream.01.mpa"], original["FEATURE_1.DD.stream.02.mpa"]);
    EXPECT_EQ(rebuilt["FEATURE_1.rebuilt.Subpicture.00.sup"], original["FEATURE_1.Subpicture.01.sup"]);
    EXPECT_FALSE(original["FEATURE_1.DD+.stream.01.mpa"].empty());
}

// two_ac3.vob was made by ffmpeg's DVD muxer: MPEG-2 video and Dolby
// Digital 0x80 and 0x81. With audio slot 0 unticked the second track
// becomes 0x80, and demuxed again it is byte for byte ffmpeg's own copy of
// that track.
TEST(RebuildDvdVob, SecondAc3TrackBecomesTheFirstAndDemuxesAsFfmpegGivesIt) {
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    TempDir dir;
    ui.setText(Edit::eWorkdir, dir.path());
    ui.setText(Edit::eEVOfile, fixture("two_ac3.vob"));
    EVOadj(session, dialogs);
    bCheckClick(session);
    ui.setTicked(audioBox(0), false);
    std::size_t before = ui.logLines.size();
    bRebuildClick(session);
    std::string rebuilt = dir.file("two_ac3.rebuilt.EVO");
    EXPECT_EQ(Lines(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end()),
              (Lines{"Opening file two_ac3.vob", "File size: 0 Mbytes.", "Creating " + rebuilt, "Done."}));

    // Pack by pack: the packs of 0x80 are gone, those of 0x81 say 0x80,
    // everything else is the source's.
    Bytes source = readFile(fixture("two_ac3.vob"));
    Bytes output = readFile(rebuilt);
    ASSERT_EQ(source.size() % 2048, 0u);
    Bytes expected;
    int dropped = 0;
    for (std::size_t at = 0; at < source.size(); at += 2048) {
        Bytes p(source.begin() + static_cast<long>(at), source.begin() + static_cast<long>(at + 2048));
        ASSERT_EQ(head(p, 4), (Bytes{0x00, 0x00, 0x01, 0xBA}));
        if (p[17] == 0xBD) {
            std::uint8_t& substream = p[23 + p[22]];
            if (substream == 0x80) {
                ++dropped;
                continue;
            }
            if (substream == 0x81) substream = 0x80;
        }
        if (p[17] == 0xBB) {
            p[23] = static_cast<std::uint8_t>((p[23] & 0x03) | (1 << 2));
            p[24] = static_cast<std::uint8_t>((p[24] & 0xE0) | 1);
        }
        expected += p;
    }
    EXPECT_GT(dropped, 0);
    EXPECT_EQ(bytesDifference(output, expected), "");

    // Read back by the engine: one video and one audio stream, the audio
    // in slot 0; its payload is ffmpeg's demux of the second track.
    ui.setText(Edit::eEVOfile, rebuilt);
    EVOadj(session, dialogs);
    ui.logLines.clear();
    bCheckClick(session);
    Lines found;
    for (const auto& line : ui.logLines)
        if (line.rfind("It contains", 0) == 0 || line.find(" found!") != std::string::npos) found.push_back(line);
    EXPECT_EQ(found, (Lines{"It contains 1 video stream and 1 audio stream.", "MPEG-2 video stream 0 found!",
                            "DD audio stream 0 found!"}));
    ui.setText(Edit::eWorkdir, dir.file("demux"));
    fs::create_directory(dir.file("demux"));
    bDemuxClick(session);
    EXPECT_EQ(bytesDifference(readFile(dir.file("demux/two_ac3.rebuilt.DD.stream.00.mpa")),
                         readFile(fixture("two_ac3.audio1.ac3"))),
              "");
    EXPECT_EQ(bytesDifference(readFile(dir.file("demux/two_ac3.rebuilt.MPEG-2.stream.0.mpv")),
                         readFile(fixture("two_ac3.video.m2v"))),
              "");
}

// The console command: Read EVO with fast checking, the boxes not named
// unticked, then Rebuild; stdout holds the log lines of both.
TEST(RebuildCli, RebuildsWithTheNamedStreamsOnly) {
    TempDir dir;
    std::string source = dir.write("FEATURE_1.EVO", pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 2)}) +
                                                        pack({ac3Kind(0xC1, 3)}) + pack({subpicture(0x20, 4)}));
    std::string command = std::string(STRANDEX_CLI) + " rebuild " + source + " -o " + dir.path() +
                          " --no-details --streams video0,audio1 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string stdoutText;
    char chunk[4096];
    while (std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) stdoutText.append(chunk, n);
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(stdoutText,
              "Opening file FEATURE_1.EVO\nFile size: 0 Mbytes.\nMPEG-2 video stream 0 found!\n"
              "DD+ audio stream 0 found!\nDD+ audio stream 1 found!\nSubpicture stream 0 found!\nDone.\n"
              "Opening file FEATURE_1.EVO\nFile size: 0 Mbytes.\nCreating " +
                  dir.path() + "/FEATURE_1.rebuilt.EVO\nDone.\n");
    EXPECT_EQ(readFile(dir.file("FEATURE_1.rebuilt.EVO")), pack({mpeg2(0xE0, 1)}) + pack({ac3Kind(0xC0, 3)}));
}

// The pack step on its own, on packs held in buffers of exactly their
// length, so that a read or write beyond them shows under the sanitizers.
namespace {

struct PackStep {
    MemoryFrontEnd ui;
    StreamTable table;
    RebuildNumbering numbering;

    PackStep() {
        table.VideoIds.fill(-1);
        table.AudioIds.fill(-1);
        table.SubpictureIds.fill(-1);
    }
    // Runs the step over a copy of the bytes; returns whether the pack
    // stays, and the bytes as the step left them.
    std::pair<bool, Bytes> run(const Bytes& bytes) {
        auto copy = std::make_unique<std::uint8_t[]>(bytes.size() + 1);  // never 0 bytes
        std::copy(bytes.begin(), bytes.end(), copy.get());
        bool kept = rebuildPack(copy.get(), bytes.size(), table, ui, numbering);
        return {kept, Bytes(copy.get(), copy.get() + bytes.size())};
    }
};

}  // namespace

TEST(RebuildPack, AShortPackIsNeverReadOrChangedBeyondItsBytes) {
    // A DD+ 0xC1 packet with a PTS: its substream id is byte 28. A pack cut
    // before it stays unchanged, whether 0xC1 is ticked or not; from 29
    // bytes on it is renumbered (ticked) or left out (unticked).
    const Bytes audio = pack({ac3Kind(0xC1, 1)});
    ASSERT_EQ(audio[22], 5);
    ASSERT_EQ(audio[28], 0xC1);
    for (bool ticked : {true, false}) {
        for (std::size_t n = 0; n <= 40; ++n) {
            SCOPED_TRACE("ticked " + std::to_string(ticked) + ", " + std::to_string(n) + " bytes");
            PackStep step;
            step.table.AudioIds[1] = 0xC1;
            step.ui.setBoxEnabled(audioBox(1), true);
            step.ui.setTicked(audioBox(1), ticked);
            auto [kept, bytes] = step.run(head(audio, n));
            Bytes expected = head(audio, n);
            if (n >= 29) expected[28] = 0xC0;
            EXPECT_EQ(kept, n >= 4 && (ticked || n < 29));
            if (kept) {
                EXPECT_EQ(bytes, expected);
            }
        }
    }
    // A system header pack cut anywhere: the bytes before its bounds stay.
    const Bytes nav = navPack(3, 1);
    for (std::size_t n = 0; n <= 30; ++n) {
        SCOPED_TRACE(std::to_string(n) + " bytes of a system header pack");
        PackStep step;
        step.ui.setBoxEnabled(audioBox(0), true);
        step.ui.setTicked(audioBox(0), true);
        auto [kept, bytes] = step.run(head(nav, n));
        EXPECT_EQ(kept, n >= 4);
        EXPECT_EQ(head(bytes, std::min<std::size_t>(n, 23)), head(nav, std::min<std::size_t>(n, 23)));
        if (n >= 25) {
            EXPECT_EQ(bytes[23], (1 << 2) | 0x01);
            EXPECT_EQ(bytes[24], 0xE0);
        }
    }
    // 23 bytes of private stream 1 whose header length puts the substream
    // id beyond the end, and a video pack cut after its stream id.
    PackStep step;
    EXPECT_EQ(step.run(head(audio, 23)), std::make_pair(true, head(audio, 23)));
    EXPECT_EQ(step.run(head(pack({mpeg2(0xE1, 1)}), 18)).second, head(pack({mpeg2(0xE0, 1)}), 18));
}

TEST(RebuildPack, ANewNumberNeverLeavesTheKindsRangeAndTheCountStillGoesOn) {
    struct Case {
        Bytes packet;
        std::size_t idAt;  // the byte that names the stream
        int counter;       // 0 video, 1 audio, 2 subpicture
        std::uint8_t countBefore;
        std::uint8_t idAfter;
    };
    const std::vector<Case> cases{
        {ac3Kind(0x80, 1), 28, 1, 8, 0x80},      // DD: not DTS 0x88
        {ac3Kind(0x85, 1), 28, 1, 3, 0x83},      // DD
        {ac3Kind(0x8F, 1), 28, 1, 1, 0x89},      // DTS-HD
        {ac3Kind(0x88, 1), 28, 1, 16, 0x88},     // DTS-HD: not 0x98
        {lpcm(0xA0, 1), 28, 1, 8, 0xA0},         // LPCM: not 0xA8
        {lpcm(0xA6, 1), 28, 1, 2, 0xA2},         // LPCM
        {mlp(0xB0, 1), 28, 1, 8, 0xB0},          // MLP: not 0xB8
        {mlp(0xB7, 1), 28, 1, 0, 0xB0},          // MLP
        {ac3Kind(0xC5, 1), 28, 1, 16, 0xC5},     // DD+: not MPEG audio 0xD0
        {ac3Kind(0xCF, 1), 28, 1, 15, 0xCF},     // DD+
        {subpicture(0x21, 1), 28, 2, 0x40, 0x21},  // subpicture: not extended 0x60
        {subpicture(0x3E, 1), 28, 2, 0x1F, 0x3F},  // subpicture
        {subpicture(0x61, 1), 28, 2, 0x80, 0x61},  // extended: not 0xE0
        {mpeg2(0xE0, 1), 17, 0, 2, 0xE0},          // MPEG-2: not H.264 0xE2
        {mpeg2(0xE3, 1), 17, 0, 0, 0xE2},          // H.264
        {vc1(0x55, 1), 35, 0, 2, 0x55},            // VC-1: not 0x57
        {vc1(0x56, 1), 35, 0, 0, 0x55},            // VC-1
        {mpegAudio(0xC0, 1), 17, 1, 0x20, 0xC0},   // MPEG audio: not video 0xE0
        {mpegAudio(0xD7, 1), 17, 1, 3, 0xD3},      // MPEG audio
    };
    for (const auto& c : cases) {
        Bytes bytes = pack({c.packet});
        SCOPED_TRACE("stream " + std::to_string(bytes[c.idAt]) + ", count " + std::to_string(c.countBefore));
        PackStep step;
        std::uint8_t* counters[] = {&step.numbering.NextVideoId, &step.numbering.NextAudioId,
                                    &step.numbering.NextSubId};
        *counters[c.counter] = c.countBefore;
        Bytes expected = bytes;
        expected[c.idAt] = c.idAfter;
        EXPECT_EQ(step.run(bytes), std::make_pair(true, expected));
        EXPECT_EQ(*counters[c.counter], c.countBefore + 1);
        // Met again, it keeps what it was given; the count stays.
        EXPECT_EQ(step.run(bytes), std::make_pair(true, expected));
        EXPECT_EQ(*counters[c.counter], c.countBefore + 1);
    }
}

// A VC-1 packet without a stream id extension is tested by no rule: its
// last header byte is the last byte of its DTS (0x21 for 90000), not an
// id. Once subpicture 0x21 has been numbered 0x20, that byte must still
// not change: time stamps are never touched.
TEST(RebuildPack, AVideoPacketWithoutExtensionKeepsItsTimeStamps) {
    Pes pes;
    pes.streamId = 0xFD;
    pes.pts = 90000;
    pes.dts = 90000;
    pes.payload = repeat(0x11, 40);
    const Bytes video = pack({pesPacket(pes)});
    ASSERT_EQ(video[22 + video[22]], 0x21);
    PackStep step;
    EXPECT_EQ(step.run(pack({subpicture(0x21, 1)})).second[28], 0x20);
    EXPECT_EQ(step.run(video), std::make_pair(true, video));
}

// Kept streams of every kind, in random sets and orders: each ends with an
// id that no other kept stream of its id space has, within its kind's
// range. Where the plain rule (the counted candidate when it lies in the
// kind's range, else the stream's own id; one table of numbers by old id
// for all spaces) already gives every stream such an id, the numbers and
// counts are the plain rule's.
namespace {

enum class Space { substream, extension, streamId };

struct Kind {
    int low, high;  // the ids of the kind
    Space space;
    int counter;  // 0 video, 1 audio, 2 subpicture
};

constexpr Kind kKinds[] = {
    {0x80, 0x87, Space::substream, 1},  // Dolby Digital
    {0x88, 0x8F, Space::substream, 1},  // DTS-HD
    {0xA0, 0xA7, Space::substream, 1},  // LPCM
    {0xB0, 0xB7, Space::substream, 1},  // MLP
    {0xC0, 0xCF, Space::substream, 1},  // DD+
    {0xC0, 0xDF, Space::streamId, 1},   // MPEG audio
    {0x20, 0x3F, Space::substream, 2},  // subpicture
    {0x60, 0x7F, Space::substream, 2},  // extended subpicture
    {0x55, 0x56, Space::extension, 0},  // VC-1
    {0xE0, 0xE1, Space::streamId, 0},   // MPEG-2
    {0xE2, 0xE3, Space::streamId, 0},   // H.264
};

struct Stream {
    const Kind* kind;
    std::uint8_t id;
};

using Counters = std::array<std::uint8_t, 3>;

struct Numbered {
    std::vector<int> ids;  // by stream, in the order met
    Counters counters;
};

int plainCandidate(const Stream& s, std::uint8_t count) {
    int v = s.id;
    if (s.kind->counter == 0) return Between(v, 0x55, 0x56) ? 0x55 + count : (v & 0xFE) | count;
    if (s.kind->counter == 1) return (v & 0xF0) == 0xC0 ? (v & 0xF0) | count : (v & 0xF8) | count;
    return (v & 0xE0) | count;
}

Numbered plainRule(const std::vector<Stream>& met, Counters counters) {
    std::array<int, 256> newIds;
    newIds.fill(-1);
    Numbered n;
    for (const Stream& s : met) {
        if (newIds[s.id] < 0) {
            std::uint8_t& count = counters[static_cast<std::size_t>(s.kind->counter)];
            int candidate = plainCandidate(s, count);
            newIds[s.id] = Between(candidate, s.kind->low, s.kind->high) ? candidate : s.id;
            ++count;
        }
        n.ids.push_back(newIds[s.id]);
    }
    n.counters = counters;
    return n;
}

// Every stream's id lies in its kind's range, and no two streams of a space
// share one.
bool apart(const std::vector<Stream>& met, const std::vector<int>& ids) {
    std::map<std::pair<Space, int>, int> owners;
    for (std::size_t k = 0; k < met.size(); ++k) {
        if (!Between(ids[k], met[k].kind->low, met[k].kind->high)) return false;
        if (!owners.emplace(std::make_pair(met[k].kind->space, ids[k]), k).second) return false;
    }
    return true;
}

// A pack of the stream, and where its id lies in it. Only that byte
// matters to the step, so every audio substream is given a DD+ header.
std::pair<Bytes, std::size_t> packOf(const Stream& s) {
    const std::uint8_t tag = s.id;
    if (s.kind->space == Space::extension) return {pack({vc1(s.id, tag)}), 35};
    if (s.kind->space == Space::streamId)
        return {pack({s.kind->counter == 0 ? mpeg2(s.id, tag) : mpegAudio(s.id, tag)}), 17};
    return {pack({s.kind->counter == 2 ? subpicture(s.id, tag) : ac3Kind(s.id, tag)}), 28};
}

// Each id of every kind joins the set with one chance in `1 / share`.
std::vector<Stream> randomStreams(std::mt19937& random, double share) {
    std::vector<Stream> streams;
    std::bernoulli_distribution joins(share);
    for (const Kind& kind : kKinds)
        for (int id = kind.low; id <= kind.high; ++id)
            if (joins(random)) streams.push_back({&kind, static_cast<std::uint8_t>(id)});
    std::shuffle(streams.begin(), streams.end(), random);
    return streams;
}

}  // namespace

TEST(RebuildPack, RandomStreamSetsEndWithIdsOfTheirOwnAndKeepThePlainRuleWhereItHolds) {
    std::mt19937 random(2024);
    int plainHeld = 0;
    int plainFailed = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const double shares[] = {0.03, 0.1, 0.3, 0.6, 1.0};
        std::vector<Stream> met = randomStreams(random, shares[trial % 5]);
        PackStep step;
        Counters start{0, 0, 0};
        if (trial % 4 == 3)  // the counts of an earlier part of the feature
            for (auto& c : start) c = static_cast<std::uint8_t>(random() % 40);
        step.numbering.NextVideoId = start[0];
        step.numbering.NextAudioId = start[1];
        step.numbering.NextSubId = start[2];

        // Each stream's first pack in the order met, some of them met again
        // later: a stream keeps the id it was given.
        std::vector<int> ids(met.size(), -1);
        std::vector<std::size_t> order;
        for (std::size_t k = 0; k < met.size(); ++k) {
            order.push_back(k);
            if (random() % 3 == 0) order.push_back(random() % (k + 1));
        }
        for (std::size_t k : order) {
            auto [bytes, at] = packOf(met[k]);
            auto [kept, rebuilt] = step.run(bytes);
            ASSERT_TRUE(kept);
            if (ids[k] < 0) ids[k] = rebuilt[at];
            ASSERT_EQ(rebuilt[at], ids[k]) << "trial " << trial << ", stream " << int(met[k].id);
        }

        SCOPED_TRACE("trial " + std::to_string(trial) + ", " + std::to_string(met.size()) + " streams");
        EXPECT_TRUE(apart(met, ids));
        Numbered plain = plainRule(met, start);
        Counters counters{step.numbering.NextVideoId, step.numbering.NextAudioId, step.numbering.NextSubId};
        EXPECT_EQ(counters, plain.counters);
        if (apart(met, plain.ids)) {
            ++plainHeld;
            EXPECT_EQ(ids, plain.ids);
        } else {
            ++plainFailed;
        }
    }
    // Both cases came up often enough to mean something.
    EXPECT_GT(plainHeld, 100);
    EXPECT_GT(plainFailed, 100);
}

// DD+ substream 0xC3 and MPEG audio stream 0xC3 are two streams in two id
// spaces. The one met second takes the first one's number, uncounted, when
// that number suits it; otherwise a number of its own, still uncounted.
TEST(RebuildPack, ADdPlusSubstreamAndAnMpegAudioStreamOfOneValueShareANumberWhereItSuits) {
    auto idOf = [](PackStep& step, const Bytes& packet, std::size_t at) {
        auto [kept, bytes] = step.run(pack({packet}));
        EXPECT_TRUE(kept);
        return bytes[at];
    };
    PackStep shared;
    shared.numbering.NextAudioId = 1;
    EXPECT_EQ(idOf(shared, ac3Kind(0xC3, 1), 28), 0xC1);
    EXPECT_EQ(idOf(shared, mpegAudio(0xC3, 2), 17), 0xC1);
    EXPECT_EQ(shared.numbering.NextAudioId, 2);

    // MPEG audio 0xC3 becomes 0xD1, which no DD+ substream can be: DD+
    // 0xC3 keeps its own id, and the next DD+ stream is counted as before.
    PackStep apart;
    apart.numbering.NextAudioId = 17;
    EXPECT_EQ(idOf(apart, mpegAudio(0xC3, 1), 17), 0xD1);
    EXPECT_EQ(idOf(apart, ac3Kind(0xC3, 2), 28), 0xC3);
    EXPECT_EQ(apart.numbering.NextAudioId, 18);
    EXPECT_EQ(idOf(apart, ac3Kind(0xC4, 3), 28), 0xC4);
    EXPECT_EQ(apart.numbering.NextAudioId, 19);

    // Its own id taken as well: the lowest free DD+ id.
    PackStep lowest;
    EXPECT_EQ(idOf(lowest, ac3Kind(0xC7, 1), 28), 0xC0);
    lowest.numbering.NextAudioId = 19;
    EXPECT_EQ(idOf(lowest, mpegAudio(0xC0, 2), 17), 0xD3);
    EXPECT_EQ(idOf(lowest, ac3Kind(0xC0, 3), 28), 0xC1);
    EXPECT_EQ(lowest.numbering.NextAudioId, 20);
}

// A kind has as many ids as it has streams, so packs alone never take them
// all; the ids are marked taken here to see that the step then stops with
// the message rather than give an id twice.
TEST(RebuildPack, AKindWithEveryIdTakenStopsTheRun) {
    struct Case {
        Bytes packet;
        IdSpace space;
        IdRange range;
        std::string text;
    };
    const std::vector<Case> cases{
        {ac3Kind(0x83, 1), IdSpace::substream, {0x80, 0x87},
         "Rebuild cannot give substream 0x83 an id of its own: every id of its kind is taken."},
        {vc1(0x56, 1), IdSpace::extension, {0x55, 0x56},
         "Rebuild cannot give stream id extension 0x56 an id of its own: every id of its kind is taken."},
        {mpeg2(0xE1, 1), IdSpace::streamId, {0xE0, 0xE1},
         "Rebuild cannot give stream 0xE1 an id of its own: every id of its kind is taken."},
    };
    for (const auto& c : cases) {
        PackStep step;
        for (int id = c.range.low; id <= c.range.high; ++id)
            step.numbering.in(c.space).taken.set(static_cast<std::size_t>(id));
        try {
            step.run(pack({c.packet}));
            ADD_FAILURE() << c.text;
        } catch (const FileError& e) {
            EXPECT_EQ(std::string(e.what()), c.text);
        }
    }
}
