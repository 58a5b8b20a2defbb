// Runs the built strandex-cli as a script would, catching its stdout,
// stderr and exit code apart.
#pragma once
#include <string>
#include <vector>

#include "support/run_tool.h"

namespace strandex::test {

// Stdin from /dev/null; stdout and stderr go through files in the folder.
CliResult runCli(const TempDir& dir, const std::vector<std::string>& args);

// Each argument list is a usage error: exit code 2, nothing on stdout and
// a message on stderr.
void expectUsageErrors(const TempDir& dir, const std::vector<std::vector<std::string>>& argLists);

}  // namespace strandex::test
