// Runs the engine or a command over bytes written to a temporary file,
// with the controls in memory.
#pragma once
#include <string>
#include <vector>

#include "cli/memory_front_end.h"
#include "engine/demux_state.h"
#include "engine/session.h"
#include "support/pack_builder.h"

namespace strandex::test {

struct Harness {
    Harness() { ui.setTicked(Box::cbFastCheck, true); }

    MemoryFrontEnd ui;
    Session session{ui};
    TempDir dir;

    // Writes the bytes to a file, opens it as the source and runs demux in
    // the mode; returns the log lines of the run.
    std::vector<std::string> run(const Bytes& file, RunMode mode = RunMode::Scan);
    // Creates the output file of a slot box, as Demux does, in dir; the box
    // is enabled, as a box with a stream is.
    std::string createOutput(Box box);
    // Closes every output and returns the content of the one of a box.
    Bytes output(Box box);
};

}  // namespace strandex::test
