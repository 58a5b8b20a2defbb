#include "support/run_tool.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace strandex::test {

std::string text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

std::optional<CliResult> runProgram(const TempDir& dir, const std::vector<std::string>& args) {
    const std::string outPath = dir.file("stdout.txt");
    const std::string errPath = dir.file("stderr.txt");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words = args;
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return std::nullopt;
    int status = 0;
    ::waitpid(pid, &status, 0);
    CliResult result;
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    result.out = text(readFile(outPath));
    result.err = text(readFile(errPath));
    return result;
}

CliResult runTool(const TempDir& dir, const std::vector<std::string>& args) {
    std::optional<CliResult> result = runProgram(dir, args);
    if (!result) {
        ADD_FAILURE() << "cannot start " << args.at(0) << " (tools/install-deps installs it)";
        return {};
    }
    return *result;
}

}  // namespace strandex::test
