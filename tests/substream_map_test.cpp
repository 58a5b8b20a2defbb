// The substream map where its users read an id range differently: the
// start codes the engine follows against the MPEG audio ids Rebuild
// numbers, and the type names given only to ids whose slot has a box.
#include <gtest/gtest.h>

#include "commands/stream_selection.h"
#include "engine/substreams.h"
#include "support/engine_harness.h"

using namespace strandex;
using namespace strandex::test;

TEST(SubstreamMap, StartCodesOpenPacketsOfTheFollowedStreamIdsOnly) {
    for (int id = 0; id < 256; ++id) {
        bool followed = (id >= 0xE0 && id <= 0xE3) || id == 0xFD || (id >= 0xC0 && id <= 0xCF) ||
                        (id >= 0xBC && id <= 0xBF);
        bool passedOverWhole = id == 0xBC || id == 0xBE || id == 0xBF;
        auto b = static_cast<std::uint8_t>(id);
        EXPECT_EQ(isPacketStreamId(b), followed) << id;
        EXPECT_EQ(hasPesFlags(b), followed && !passedOverWhole) << id;
    }
}

// An MPEG audio packet the engine follows hides the bytes of its payload;
// one of the ids only Rebuild knows is scanned through like any other byte.
TEST(SubstreamMap, MpegAudioBeyondTheFollowedIdsOpensNoPacket) {
    Pes mpegAudio;
    mpegAudio.payload = privateStream1(ac3Payload(0x80, {0x0B, 0x77}), 90000);
    Harness h;
    mpegAudio.streamId = 0xCF;
    EXPECT_TRUE(h.run(pesPacket(mpegAudio)).empty());
    mpegAudio.streamId = 0xD0;
    std::vector<std::string> log = h.run(pesPacket(mpegAudio));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "DD audio stream 0 found!");
}

TEST(SubstreamMap, TypeNamesGoOnlyToIdsWhoseSlotHasABox) {
    EXPECT_EQ(SubTypeName(0x20), "Subpicture");
    EXPECT_EQ(SubTypeName(0x2F), "Subpicture");
    EXPECT_EQ(SubTypeName(0x30), "");  // slot 16
    EXPECT_EQ(SubTypeName(0x3F), "");
    EXPECT_EQ(SubTypeName(0x60), "Ext.Subpicture");
    EXPECT_EQ(SubTypeName(0x6F), "Ext.Subpicture");
    EXPECT_EQ(SubTypeName(0x70), "");
    EXPECT_EQ(AudioTypeName(0xC0), "DD+.stream");
    EXPECT_EQ(AudioTypeName(0xA8), "");  // past LPCM, though it would fall in slot 8
    EXPECT_EQ(AudioTypeName(0xB8), "");
    EXPECT_EQ(AudioTypeName(0xD0), "");  // an MPEG audio id, never an audio slot's
    EXPECT_EQ(AudioTypeName(0x21), "");  // a subpicture id in an audio slot
    EXPECT_EQ(VideoTypeName(0x57), "");
    EXPECT_EQ(VideoTypeName(0xE4), "");
    EXPECT_EQ(VideoTypeName(0xC0), "");
}
