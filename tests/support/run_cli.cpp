#include "support/run_cli.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace strandex::test {

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

CliResult runCli(const TempDir& dir, const std::vector<std::string>& args) {
    std::string outPath = dir.file("stdout.txt");
    std::string errPath = dir.file("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words{STRANDEX_CLI};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    CliResult result;
    pid_t pid = 0;
    int spawned = posix_spawn(&pid, STRANDEX_CLI, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << STRANDEX_CLI;
        return result;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.out = text(readFile(outPath));
    result.err = text(readFile(errPath));
    return result;
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
