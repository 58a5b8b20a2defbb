// The packs of one block as Rebuild writes them: kept packs the rules leave
// as they are go out in runs straight from the block, a pack the rules
// rewrite goes out from a copy of its head.
#pragma once
#include <cstddef>
#include <cstdint>

#include "commands/rebuild_numbering.h"
#include "engine/session.h"

namespace strandex {

struct RebuildBlock {
    Session& session;
    RebuildNumbering& numbering;
    OutputFile& out;
    double startTime;  // for the time left in the progress line

    // The block's bytes stand at `block`; `shared`: they stay there for the
    // rest of the run (a view into the mapped source), so the output may
    // take them without a copy.
    void packs(const std::uint8_t* block, std::size_t length, std::int64_t blockStart, bool shared);
};

}  // namespace strandex
