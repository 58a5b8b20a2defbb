// The steps the commands share: a source read that ends early, Cancel's
// answer (which the window's close follows), and the boxes found by kind
// and slot.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/memory_front_end.h"
#include "commands/cancel.h"
#include "commands/stream_selection.h"
#include "engine/file_io.h"
#include "support/pack_builder.h"

using namespace strandex;
using namespace strandex::test;

TEST(SourceFileRead, EndsQuietlyAtItsSizeAndThrowsWhenTheFileEndsBeforeIt) {
    TempDir dir;
    std::string path = dir.write("FEATURE_1.EVO", Bytes(3000, 0x47));
    std::uint8_t buffer[2048];
    SourceFile source;
    source.open(path);
    EXPECT_EQ(source.read(buffer, sizeof buffer), 2048u);
    EXPECT_EQ(source.read(buffer, sizeof buffer), 952u);  // the rest, short
    EXPECT_EQ(source.read(buffer, sizeof buffer), 0u);    // at its size: no error
    EXPECT_EQ(source.position(), 3000);

    source.open(path);
    EXPECT_EQ(source.read(buffer, 1000), 1000u);
    std::filesystem::resize_file(path, 1000);
    try {
        source.read(buffer, sizeof buffer);
        FAIL() << "a file that ended before its size read as if whole";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), shortReadErrorText(path));
        EXPECT_EQ(shortReadErrorText(path),
                  "Cannot read file \"" + path + "\". The file ended before its size was read");
    }
}

TEST(Cancel, StopsAScanAtOnceAndAWriteOnlyOnYes) {
    MemoryFrontEnd ui;
    Session session{ui};
    StreamTable& t = session.table;
    EXPECT_TRUE(bCancelClick(session));  // a scan: no question
    EXPECT_EQ(t.StopFlag, 1);
    EXPECT_TRUE(ui.questions.empty());

    t.StopFlag = 0;
    t.BusyFlag = 1;
    bool yes = false;
    ui.onConfirm = [&](const std::string&) { return yes; };
    EXPECT_FALSE(bCancelClick(session));
    EXPECT_EQ(t.StopFlag, 0);
    // A stop asked for before does not make a later No a stop: the window
    // closes only on the answer it got.
    t.StopFlag = 1;
    EXPECT_FALSE(bCancelClick(session));
    yes = true;
    t.StopFlag = 0;
    EXPECT_TRUE(bCancelClick(session));
    EXPECT_EQ(t.StopFlag, 1);
    EXPECT_EQ(ui.questions, std::vector<std::string>(3, "Are you sure to stop demuxing?"));
}

TEST(StreamBoxes, EachKindCountsItsSlotsFromItsFirstBox) {
    MemoryFrontEnd ui;
    for (int i = 0; i < kStreamBoxCount; ++i) {
        Box box = boxAt(i);
        SCOPED_TRACE(boxName(box));
        int slot = slotOfBox(box);
        switch (kindOfBox(box)) {
            case StreamKindOfBox::Video:
                EXPECT_EQ(videoBox(slot), box);
                EXPECT_EQ(boxName(box), "cbVideo" + std::to_string(slot));
                EXPECT_STREQ(startCaption(box), "Video stream");
                break;
            case StreamKindOfBox::Audio:
                EXPECT_EQ(audioBox(slot), box);
                EXPECT_EQ(boxName(box), slot < 10 ? "cbAudio0" + std::to_string(slot) : "cbAudio" + std::to_string(slot));
                EXPECT_STREQ(startCaption(box), "Audio stream");
                break;
            case StreamKindOfBox::Subpicture:
                EXPECT_EQ(subBox(slot), box);
                EXPECT_STREQ(startCaption(box), "Subpicture");
                break;
        }
        EXPECT_EQ(ui.caption(box), startCaption(box));  // the console starts as the window does
    }
    EXPECT_EQ(slotOfBox(Box::cbAudio00), 0);
    EXPECT_EQ(slotOfBox(videoBox(7)), 7);
    EXPECT_EQ(slotOfBox(audioBox(15)), 15);
    EXPECT_EQ(slotOfBox(Box::cbSub00), 0);
    EXPECT_EQ(slotOfBox(subBox(15)), 15);
    EXPECT_EQ(boxName(subBox(15)), "cbSub15");
    EXPECT_EQ(boxName(Box::cbContinue), "cbContinue");
}
