// Runs the built strandex-cli as a script would, catching its stdout,
// stderr and exit code apart.
#pragma once
#include <string>
#include <vector>

#include "support/pack_builder.h"

namespace strandex::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string text(const Bytes& bytes);

// Stdin from /dev/null; stdout and stderr go through files in the folder.
CliResult runCli(const TempDir& dir, const std::vector<std::string>& args);

}  // namespace strandex::test
