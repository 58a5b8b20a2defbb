#include "support/run_cli.h"

#include <gtest/gtest.h>

namespace strandex::test {

CliResult runCli(const TempDir& dir, const std::vector<std::string>& args) {
    std::vector<std::string> words{STRANDEX_CLI};
    words.insert(words.end(), args.begin(), args.end());
    std::optional<CliResult> result = runProgram(dir, words);
    if (!result) {
        ADD_FAILURE() << "cannot start " << STRANDEX_CLI;
        return {};
    }
    return *result;
}

void expectUsageErrors(const TempDir& dir, const std::vector<std::vector<std::string>>& argLists) {
    for (const auto& args : argLists) {
        std::string line;
        for (const auto& a : args) line += a + " ";
        CliResult r = runCli(dir, args);
        EXPECT_EQ(r.exitCode, 2) << line;
        EXPECT_EQ(r.out, "") << line;
        EXPECT_NE(r.err, "") << line;
    }
}

}  // namespace strandex::test
