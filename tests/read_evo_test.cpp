// "Read EVO" through the in-memory front end: what it logs and in which
// order, the boxes it offers, the frame-count lines, Cancel, a missing
// source, and a second command during a run.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "cli/memory_front_end.h"
#include "commands/cancel.h"
#include "commands/read_evo.h"
#include "commands/source_selection.h"
#include "engine/file_io.h"
#include "support/command_bench.h"
#include "support/pack_builder.h"
#include "support/test_sizes.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

// A VC-1 packet with PTS and DTS 90000 whose payload holds `frames` frame
// start codes.
Bytes vc1Packet(std::uint8_t extension, int frames) {
    Pes pes;
    pes.streamId = 0xFD;
    pes.pts = 90000;
    pes.dts = 90000;
    pes.streamIdExtension = extension;
    for (int k = 0; k < frames; ++k) pes.payload += {0x00, 0x00, 0x01, 0x0D, 0x3F};
    return pesPacket(pes);
}

// An MPEG-2 video packet (stream id 0xE0 or 0xE1) with `pictures` picture
// start codes.
Bytes mpeg2Packet(std::uint8_t streamId, int pictures) {
    Pes pes;
    pes.streamId = streamId;
    for (int k = 0; k < pictures; ++k) pes.payload += {0x00, 0x00, 0x01, 0x00, 0x0F, 0xFF};
    return pesPacket(pes);
}

Bytes audioPacket(std::uint8_t substream) {
    return privateStream1(ac3Payload(substream, {0x0B, 0x77, 0x00, 0x00}), 90000);
}

Bytes subpicturePacket(std::uint8_t substream) {
    return privateStream1(subpicturePayload(substream, {0x00, 0x20, 0x00, 0x10}), 90000);
}

// Padding packs up to at least `total` bytes.
Bytes padTo(Bytes bytes, std::size_t total) {
    while (bytes.size() < total) bytes += pack({});
    return bytes;
}

class ReadEvo : public ::testing::Test {
protected:
    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    TempDir dir;

    // Chooses the file as the source, as a dialog or a drop would.
    void choose(const std::string& path) {
        ui.setText(Edit::eEVOfile, path);
        EVOadj(session, dialogs);
    }
    // Chooses a file with the content and runs the command; returns its log.
    Lines readEvo(const Bytes& content, const std::string& name = "FEATURE_1.EVO") {
        choose(dir.write(name, content));
        return click();
    }
    Lines click() {
        std::size_t before = ui.logLines.size();
        bCheckClick(session);
        return Lines(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end());
    }
    // A file of `size` zero bytes that takes no room on the disc.
    std::string sparseFile(const std::string& name, std::int64_t size) {
        std::string path = dir.file(name);
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::ftruncate(fd, size), 0);
        ::close(fd);
        return path;
    }
    void expectNothingOffered() {
        for (int i = 0; i < kStreamBoxCount; ++i) {
            Box box = boxAt(i);
            SCOPED_TRACE(boxName(box));
            EXPECT_FALSE(ui.boxEnabled(box));
            EXPECT_FALSE(ui.ticked(box));
            EXPECT_EQ(ui.caption(box), i < 8 ? "No video stream" : i < 24 ? "No audio stream" : "No subpicture");
        }
    }
};

}  // namespace

TEST_F(ReadEvo, LogsOpeningSizeEngineLinesDoneThenFrameCounts) {
    Bytes file = pack({systemHeader(1, 1), vc1Packet(0x55, 24)}) + pack({audioPacket(0xC0)}) +
                 pack({subpicturePacket(0x20)});
    ui.showPage(Page::tsOption);
    EXPECT_EQ(readEvo(padTo(file, 300000)),
              (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes.",
                     "It contains 1 video stream and 1 audio stream.", "VC-1 video stream 0 found!",
                     "   First PTS = 00015F90", "DD+ audio stream 0 found!", "   First PTS = 00015F90",
                     "Subpicture stream 0 found!", "   First PTS = 00015F90", "Done.",
                     "24 frames (0:00:01 s) count in video stream 0."}));
    EXPECT_EQ(ui.page, Page::tsStatus);
    EXPECT_EQ(ui.panels[0], " Ready");
    EXPECT_EQ(ui.panels[1], " ");
    EXPECT_TRUE(ui.enabled(Button::bCheck));
    EXPECT_FALSE(ui.enabled(Button::bCancel));
    EXPECT_FALSE(session.table.SourceStream.isOpen());
}

TEST_F(ReadEvo, FileSizeIsWholeMebibytesOfA64BitSize) {
    EXPECT_EQ(readEvo(Bytes(1048575, 0), "short.EVO"),
              (Lines{"Opening file short.EVO", "File size: 0 Mbytes.", "Done."}));
    EXPECT_EQ(readEvo(Bytes(1048576, 0), "one.EVO")[1], "File size: 1 Mbytes.");
    // Sources past 4 GiB, read whole and with fast checking: large_input_test.
    // Cancel at the first progress point keeps this one short.
    ui.onEvents = [&] { bCancelClick(session); };
    choose(sparseFile("four.EVO", std::int64_t{4} << 30));
    EXPECT_EQ(click(), (Lines{"Opening file four.EVO", "File size: 4096 Mbytes.", "Done."}));
}

TEST_F(ReadEvo, EmptyFileOffersNothing) {
    ui.setBoxEnabled(audioBox(3), true);
    ui.setTicked(audioBox(3), true);
    ui.setTicked(subBox(15), true);
    EXPECT_EQ(readEvo({}, "empty.EVO"), (Lines{"Opening file empty.EVO", "File size: 0 Mbytes.", "Done."}));
    expectNothingOffered();
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    EXPECT_EQ(ui.panels[0], " Ready");
    EXPECT_EQ(ui.panels[1], " ");
}

TEST_F(ReadEvo, OffersOneTickedCaptionedBoxPerStreamFound) {
    readEvo(pack({vc1Packet(0x55, 1), audioPacket(0xC3), subpicturePacket(0x20)}));
    EXPECT_EQ(enabledBoxes(ui), (std::vector<Box>{videoBox(0), audioBox(3), subBox(0)}));
    EXPECT_EQ(ui.caption(videoBox(0)), "VC-1.stream.0");
    EXPECT_EQ(ui.caption(audioBox(3)), "DD+.stream.03");
    EXPECT_EQ(ui.caption(subBox(0)), "Subpicture.00");
    for (int i = 0; i < kStreamBoxCount; ++i) {
        Box box = boxAt(i);
        bool offered = box == videoBox(0) || box == audioBox(3) || box == subBox(0);
        EXPECT_EQ(ui.ticked(box), offered) << boxName(box);
        if (!offered) {
            EXPECT_EQ(ui.caption(box), i < 8 ? "No video stream" : i < 24 ? "No audio stream" : "No subpicture");
        }
    }
    EXPECT_TRUE(ui.enabled(Button::bDemux));
}

TEST_F(ReadEvo, SecondReadTicksAnUntickedBoxAgainAndCountsAfresh) {
    Bytes file = pack({vc1Packet(0x55, 24), audioPacket(0x81)});
    readEvo(file);
    ui.setTicked(videoBox(0), false);
    ui.setTicked(audioBox(1), false);
    EXPECT_FALSE(ui.enabled(Button::bDemux));
    Lines second = click();
    EXPECT_TRUE(ui.ticked(videoBox(0)));
    EXPECT_TRUE(ui.ticked(audioBox(1)));
    EXPECT_EQ(ui.caption(audioBox(1)), "DD.stream.01");
    EXPECT_TRUE(ui.enabled(Button::bDemux));
    EXPECT_EQ(second.back(), "24 frames (0:00:01 s) count in video stream 0.");  // not 48
}

TEST_F(ReadEvo, FrameCountLinesForEachVideoSlotInOrder) {
    Lines both = readEvo(pack({mpeg2Packet(0xE1, 48), vc1Packet(0x55, 24)}));
    EXPECT_EQ(Lines(both.end() - 3, both.end()),
              (Lines{"Done.", "24 frames (0:00:01 s) count in video stream 0.",
                     "48 frames (0:00:02 s) count in video stream 1."}));
    // A slot whose counter stays 0 has no line.
    Lines second = readEvo(pack({vc1Packet(0x55, 0), mpeg2Packet(0xE1, 24)}), "second.EVO");
    EXPECT_EQ(Lines(second.end() - 2, second.end()),
              (Lines{"Done.", "24 frames (0:00:01 s) count in video stream 1."}));
    // Counting off: the engine counts nothing, no line.
    ui.setTicked(Box::cbCountFr, false);
    EXPECT_EQ(readEvo(pack({vc1Packet(0x55, 24)}), "third.EVO").back(), "Done.");
}

TEST_F(ReadEvo, CancelDuringTheScanOffersWhatWasFoundSoFar) {
    // Cancel acts at the first progress point, after 4 MiB; the DD stream
    // beyond it is never reached.
    Bytes file = padTo(pack({vc1Packet(0x55, 24), audioPacket(0xC0)}), kFourMiB + kBlockSize);
    file += pack({audioPacket(0x85)});
    ui.onEvents = [&] { bCancelClick(session); };
    Lines log = readEvo(padTo(file, kFourMiB + 3 * kBlockSize));
    EXPECT_EQ(log, (Lines{"Opening file FEATURE_1.EVO", "File size: 4 Mbytes.", "VC-1 video stream 0 found!",
                          "   First PTS = 00015F90", "DD+ audio stream 0 found!", "   First PTS = 00015F90",
                          "Done."}));
    EXPECT_EQ(enabledBoxes(ui), (std::vector<Box>{videoBox(0), audioBox(0)}));
    EXPECT_TRUE(ui.ticked(videoBox(0)));
    EXPECT_FALSE(ui.ticked(audioBox(5)));
    EXPECT_TRUE(ui.questions.empty());  // a scan stops without asking
    EXPECT_EQ(session.table.FrameCount, (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_EQ(ui.panels[0], " Ready");
    EXPECT_EQ(ui.panels[1], " ");
}

TEST_F(ReadEvo, MissingSourceStopsAfterTheOpeningLine) {
    readEvo(pack({vc1Packet(0x55, 1), audioPacket(0x80)}));
    std::string missing = dir.file("HVDVD_TS/FEATURE_2.EVO");
    choose(missing);
    std::size_t before = ui.logLines.size();
    try {
        bCheckClick(session);
        ADD_FAILURE() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    EXPECT_EQ(Lines(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end()),
              (Lines{"Opening file FEATURE_2.EVO"}));
    EXPECT_EQ(ui.panels[0], " Opening");
    // The boxes as the reset left them: disabled and "No …", ticks untouched.
    EXPECT_TRUE(enabledBoxes(ui).empty());
    EXPECT_EQ(ui.caption(videoBox(0)), "No video stream");
    EXPECT_EQ(ui.caption(audioBox(0)), "No audio stream");
    EXPECT_TRUE(ui.ticked(videoBox(0)));
    EXPECT_FALSE(ui.enabled(Button::bCheck));
    EXPECT_FALSE(session.table.SourceStream.isOpen());
    // Choosing a source again makes the command usable.
    EXPECT_EQ(readEvo({}, "next.EVO").front(), "Opening file next.EVO");
}

TEST_F(ReadEvo, NoSecondCommandStartsWhileOneRuns) {
    Bytes file = padTo(pack({audioPacket(0x80)}), kFourMiB + 4096);
    int nested = 0;
    bool tried = false;
    bool checkEnabledInside = true;
    ui.onEvents = [&] {
        if (tried) return;  // one try is enough
        tried = true;
        std::size_t before = ui.logLines.size();
        bCheckClick(session);
        nested += ui.logLines.size() == before ? 1 : 100;
        checkEnabledInside = ui.enabled(Button::bCheck);
    };
    EXPECT_EQ(readEvo(file), (Lines{"Opening file FEATURE_1.EVO", "File size: 4 Mbytes.",
                                    "DD audio stream 0 found!", "   First PTS = 00015F90", "Done."}));
    EXPECT_EQ(nested, 1);  // it was tried once, and returned at once
    EXPECT_FALSE(checkEnabledInside);
    EXPECT_TRUE(ui.enabled(Button::bCheck));
    EXPECT_EQ(ui.panels[0], " Ready");
    EXPECT_EQ(ui.panels[1], " ");
}
