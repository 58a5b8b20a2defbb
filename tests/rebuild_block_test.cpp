// Rebuild writes a kept pack from where it stands and rewrites a copy of
// its head only: proven equal, on random and damaged streams with random
// ticks, to the rule applied in place to a copy of every whole pack.
#include <gtest/gtest.h>

#include <algorithm>

#include "commands/rebuild_command.h"
#include "commands/rebuild_packs.h"
#include "support/command_bench.h"
#include "support/stream_fuzz.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// The rule as written: each pack copied whole, rewritten in place, kept or
// not, with the numbering the run carries from pack to pack.
Bytes plainRebuild(const Bytes& source, const Session& session) {
    RebuildNumbering numbering;
    Bytes out;
    for (std::size_t at = 0; at < source.size(); at += strandex::kPackSize) {
        std::size_t n = std::min(strandex::kPackSize, source.size() - at);
        Bytes pack(source.begin() + static_cast<long>(at), source.begin() + static_cast<long>(at + n));
        if (rebuildPack(pack.data(), n, session.table, session.ui, numbering)) out += pack;
    }
    return out;
}

TEST(RebuildBlock, EqualsTheRuleAppliedToWholePacks) {
    for (std::uint32_t seed = 1; seed <= 30 && !HasFailure(); ++seed) {
        Dice dice(seed * 6151);
        Bytes file = randomProgramStream(dice, dice.between(30000, 1300000), seed % 2 == 1);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", " + std::to_string(file.size()) + " bytes");
        for (bool mapped : {true, false}) {
            CommandBench bench;
            bench.session.mapSource = mapped;
            bench.write("FEATURE_1.EVO", file);
            bench.readEvo();
            for (Box box : enabledBoxes(bench.ui))
                if (dice.chance(40)) bench.ui.setTicked(box, false);
            ASSERT_EQ(bench.run(bRebuildClick), "");
            Bytes expected = plainRebuild(file, bench.session);
            Bytes written = bench.output("FEATURE_1.rebuilt.EVO");
            EXPECT_EQ(written.size(), expected.size()) << (mapped ? "mapped" : "read");
            EXPECT_TRUE(written == expected) << (mapped ? "mapped" : "read");
        }
    }
}

}  // namespace
