// Runs a program with an argument vector, no shell, catching its stdout,
// stderr and exit code apart: the field's tools found on PATH (mkvmerge,
// mkvextract), and through run_cli the built strandex-cli.
#pragma once
#include <optional>
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

// args[0] is the program: a path, or a name looked up on PATH. Stdin from
// /dev/null; stdout and stderr go through files in the folder. Nothing
// when the program cannot be started.
std::optional<CliResult> runProgram(const TempDir& dir, const std::vector<std::string>& args);

// As runProgram; a program that cannot be started is a test failure.
CliResult runTool(const TempDir& dir, const std::vector<std::string>& args);

}  // namespace strandex::test
