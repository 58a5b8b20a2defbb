// Runs a program of the field found on PATH (mkvmerge, mkvextract) with an
// argument vector, no shell, catching its stdout, stderr and exit code.
#pragma once
#include <string>
#include <vector>

#include "support/run_cli.h"

namespace strandex::test {

// args[0] is the program's name. The output goes through files in the
// folder; a program that cannot be started is a test failure.
CliResult runTool(const TempDir& dir, const std::vector<std::string>& args);

}  // namespace strandex::test
