#include "support/engine_outcome.h"

#include <gtest/gtest.h>

#include "engine/demux.h"
#include "support/engine_harness.h"

namespace strandex::test {

std::vector<Box> slotBoxes() {
    std::vector<Box> boxes{videoBox(0), videoBox(1)};
    for (int n = 0; n < 16; ++n) boxes.push_back(audioBox(n));
    for (int n = 0; n < 16; ++n) boxes.push_back(subBox(n));
    return boxes;
}

Outcome runEngine(const Bytes& file, RunMode mode, bool plain) {
    Harness h;
    h.session.plainByteStep = plain;
    if (mode == RunMode::Write)
        for (Box box : slotBoxes()) {
            h.ui.setTicked(box, true);
            h.createOutput(box);
        }
    Outcome o;
    o.log = h.run(file, mode);
    const StreamTable& t = h.session.table;
    o.frames = t.FrameCount;
    o.frameWindows = t.FrameWindow;
    o.videoIds = t.VideoIds;
    o.audioIds = t.AudioIds;
    o.subIds = t.SubpictureIds;
    o.stopFlag = t.StopFlag;
    o.scrambled = t.Scrambled;
    if (mode == RunMode::Write)
        for (Box box : slotBoxes()) o.outputs.push_back(h.output(box));
    return o;
}

void expectSameOutcome(const Outcome& plain, const Outcome& fast) {
    EXPECT_EQ(plain.log, fast.log);
    EXPECT_EQ(plain.frames, fast.frames);
    EXPECT_EQ(plain.frameWindows, fast.frameWindows);
    EXPECT_EQ(plain.videoIds, fast.videoIds);
    EXPECT_EQ(plain.audioIds, fast.audioIds);
    EXPECT_EQ(plain.subIds, fast.subIds);
    EXPECT_EQ(plain.stopFlag, fast.stopFlag);
    EXPECT_EQ(plain.scrambled, fast.scrambled) << "the scrambling bits were seen by one walk only";
    ASSERT_EQ(plain.outputs.size(), fast.outputs.size());
    std::vector<Box> boxes = slotBoxes();
    for (std::size_t k = 0; k < plain.outputs.size(); ++k)
        EXPECT_TRUE(plain.outputs[k] == fast.outputs[k])
            << boxName(boxes[k]) << ": " << plain.outputs[k].size() << " bytes plain, "
            << fast.outputs[k].size() << " fast";
}

}  // namespace strandex::test
