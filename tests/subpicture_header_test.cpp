// The "SP" header of a subpicture packet carries that packet's own PTS.
#include <gtest/gtest.h>

#include "support/engine_harness.h"

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
    h.ui.setTicked(subBox(0), true);
    h.createOutput(subBox(0));
    Bytes file = pack({privateStream1(subpicturePayload(0x20, {0xAA, 0xBB}), 90000)}) +
                 pack({videoWithPtsOnly(120000)}) +
                 // the unit goes on in a packet without a PTS: no header, although the
                 // video packet before it left its PTS pending
                 pack({privateStream1(subpicturePayload(0x20, {0xCC}))});
    h.run(file, RunMode::Write);
    EXPECT_EQ(h.output(subBox(0)),
              (Bytes{'S', 'P', 0x90, 0x5F, 0x01, 0x00, 0, 0, 0, 0, 0xAA, 0xBB, 0xCC}));
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
