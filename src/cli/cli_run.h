// Runs one console command on a session whose front end keeps its controls
// in memory; prints nothing itself beyond what the options ask for after
// the log.
#pragma once
#include <iosfwd>

#include "cli/cli_options.h"
#include "cli/memory_front_end.h"
#include "engine/session.h"

namespace strandex {

// Sets the options into the controls, runs the command and writes the
// --boxes listing to `out`, each step's time to `times` when given and
// last the --report file.
// File errors escape as FileError.
void runCommand(const CliOptions& options, Session& session, MemoryFrontEnd& ui, std::ostream& out,
                std::ostream* times = nullptr);

// "cbAudio03\t1\t1\tDD+.stream.03" for each of the 34 slot boxes.
void listBoxes(const FrontEnd& ui, std::ostream& out);

}  // namespace strandex
