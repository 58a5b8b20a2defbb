// The engine's examples in bytes: one packet of each kind the parser knows.
#include <gtest/gtest.h>

#include "support/engine_harness.h"

using namespace strandex;
using namespace strandex::test;

TEST(EngineExamples, DolbyDigitalPacketFromItsBytes) {
    Bytes packet{0x00, 0x00, 0x01, 0xBD, 0x00, 0x10, 0x81, 0x80, 0x05, 0x21, 0x00,
                 0x05, 0xBF, 0x21, 0x80, 0x01, 0x00, 0x01, 0x0B, 0x77, 0x3A, 0x1C};
    EXPECT_EQ(packet, privateStream1(ac3Payload(0x80, {0x0B, 0x77, 0x3A, 0x1C}), 90000));
    Harness h;
    EXPECT_EQ(h.run(packet), (std::vector<std::string>{"DD audio stream 0 found!",
                                                        "   First PTS = 00015F90"}));
    Harness w;
    w.ui.setTicked(audioBox(0), true);
    w.createOutput(audioBox(0));
    EXPECT_TRUE(w.run(packet, RunMode::Write).empty());
    EXPECT_EQ(w.output(audioBox(0)), (Bytes{0x0B, 0x77, 0x3A, 0x1C}));
}
