// The "SP" header of a subpicture packet: "SP", that packet's own PTS and
// four zero bytes, before the payload of each packet that carried a PTS.
#include <gtest/gtest.h>

#include "support/engine_harness.h"
#include "support/subpicture_header.h"

using namespace strandex;
using namespace strandex::test;

namespace {
Bytes videoWithPtsOnly(std::uint64_t pts) {
    Pes pes;
    pes.streamId = 0xE0;
    pes.pts = pts;
    pes.payload = {0x00, 0x00, 0x01, 0x00, 0x12, 0x34};
    return pesPacket(pes);
}
}  // namespace

TEST(SubpictureHeader, OnlyForPacketsThatCarryTheirOwnPts) {
    Harness h;
    h.ui.setTicked(subBox(2), true);
    h.createOutput(subBox(2));
    Bytes file = pack({privateStream1(subpicturePayload(0x22, {0xAA, 0xBB}), 90000)}) +
                 pack({videoWithPtsOnly(120000)}) +
                 // the unit goes on in a packet without a PTS: no header, although the
                 // video packet before it left its PTS pending
                 pack({privateStream1(subpicturePayload(0x22, {0xCC}))}) +
                 pack({privateStream1(subpicturePayload(0x22, {0xDD}), 0)});  // a PTS of 0 counts as none
    h.run(file, RunMode::Write);
    EXPECT_EQ(h.output(subBox(2)), (subpictureHeader(90000) + Bytes{0xAA, 0xBB, 0xCC, 0xDD}));
    EXPECT_EQ(subpictureHeader(90000), (Bytes{'S', 'P', 0x90, 0x5F, 0x01, 0x00, 0, 0, 0, 0}));
}

TEST(SubpictureHeader, UntickedSlotsPtsDoesNotReachAnotherSlot) {
    Harness h;
    h.ui.setTicked(subBox(0), true);
    h.createOutput(subBox(0));
    Bytes file = pack({privateStream1(subpicturePayload(0x21, {0x01}), 90000)}) +
                 pack({privateStream1(subpicturePayload(0x20, {0x02}))});
    h.run(file, RunMode::Write);
    EXPECT_EQ(h.output(subBox(0)), (Bytes{0x02}));
}
