// The fast paths of the engine proven equal to the plain byte step: a run
// over bytes in a folder of its own, and the two walks over the same bytes
// compared in every part of what they leave behind.
#pragma once
#include <cstdint>

#include "support/engine_outcome.h"
#include "support/pack_builder.h"

namespace strandex::test {

// When every slot box is ticked and its output made: for write mode, or
// for a scan too, which must then write none of them (making 34 files per
// run costs more than the run of a small source).
enum class Outputs { ForWriteMode, Always };

// How a run reads its source: through a mapping read ahead and dropped
// in steps of `window`, or with read().
struct Reading {
    bool mapped = true;
    std::size_t window = kMapWindow;
};

// Runs demux in the mode over the bytes as a source file, counting and
// details on; expects no file error and the output folder to hold the
// outputs alone.
Outcome runEngine(const Bytes& file, RunMode mode, bool plain, Outputs outputs = Outputs::ForWriteMode,
                  Reading reading = {});

// Runs the fast block walk and the plain byte step over the bytes in the
// mode and expects the same log, ids, frame counts and windows, details
// flags, scrambled and stop flags, end position and every output. Returns
// the plain step's outcome, for the test's own checks.
Outcome expectFastEqualsPlain(const Bytes& file, RunMode mode, Outputs outputs = Outputs::ForWriteMode);

// The same for a run that reads through a mapping with the window against
// one that reads with read().
void expectMappedEqualsRead(const Bytes& file, RunMode mode, std::size_t window);

}  // namespace strandex::test
