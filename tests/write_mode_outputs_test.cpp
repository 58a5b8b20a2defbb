// Write mode against an independent account of the outputs: over random
// and damaged program streams, each slot's file holds whole payloads of
// the stream registered in that slot, in the order of the source, and
// nothing else.
#include <gtest/gtest.h>

#include "engine/demux.h"
#include "support/fast_path_check.h"
#include "support/payload_slices.h"
#include "support/slot_outputs.h"
#include "support/stream_fuzz.h"
#include "support/subpicture_header.h"

using namespace strandex;
using namespace strandex::test;

TEST(WriteModeOutputs, AreWholePayloadsOfTheirOwnStream) {
    std::vector<Box> boxes = slotBoxes();
    std::size_t checked = 0;
    for (std::uint32_t seed = 900; seed < 960 && !HasFailure(); ++seed) {
        Dice dice(seed);
        // Small streams, streams across a block boundary, and larger ones.
        std::size_t size = seed % 3 == 0 ? dice.below(16384) : seed % 3 == 1 ? dice.between(250000, 280000)
                                                                               : dice.between(300000, 700000);
        Bytes file = randomProgramStream(dice, size, seed % 2 == 0);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(file.size()) + " bytes");
        Outcome o = runEngine(file, RunMode::Write, false);
        PayloadAccount account(file.data(), file.size());
        for (std::size_t k = 0; k < boxes.size(); ++k) {
            EXPECT_EQ(account.explain(slotOutput(o, k), o.outputs[k]), "")
                << boxName(boxes[k]);
            checked += o.outputs[k].size();
        }
    }
    EXPECT_GT(checked, 1000000u);  // the streams do reach the outputs
}

TEST(WriteModeOutputs, TheAccountRejectsWhatIsNotAWholePayloadOfTheStream) {
    Bytes file = privateStream1(ac3Payload(0x81, {1, 2, 3}), 90000) + privateStream1(ac3Payload(0x82, {4, 5})) +
                 privateStream1(subpicturePayload(0x21, {6, 7}), 90000);
    SlotOutput audio1{OutputKind::Audio, 1, 0x81};
    auto explain = [&](SlotOutput slot, const Bytes& out) { return explainOutput(file.data(), file.size(), slot, out); };
    EXPECT_EQ(explain(audio1, {1, 2, 3}), "");
    EXPECT_EQ(explain(audio1, {}), "");
    EXPECT_NE(explain(audio1, {1, 2, 3, 4}), "");
    EXPECT_NE(explain(audio1, {1, 2}), "");
    EXPECT_NE(explain(audio1, {1, 2, 3, 1, 2, 3}), "");  // one packet twice
    EXPECT_NE(explain({OutputKind::Audio, 2, 0x82}, {1, 2, 3}), "");
    EXPECT_NE(explain({OutputKind::Audio, 1, -1}, {1, 2, 3}), "");
    // A subpicture packet with a PTS comes with its "SP" header.
    SlotOutput sub1{OutputKind::Subpicture, 1, 0x21};
    EXPECT_EQ(explain(sub1, subpictureHeader(90000) + Bytes{6, 7}), "");
    EXPECT_NE(explain(sub1, {6, 7}), "");
}
