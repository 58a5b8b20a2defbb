#include "mux/child_process.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace strandex {

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

// Spawn's file actions and attributes, released whatever happens.
struct FileActions {
    posix_spawn_file_actions_t actions;
    FileActions() { posix_spawn_file_actions_init(&actions); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions); }
};
struct SpawnAttributes {
    posix_spawnattr_t attributes;
    SpawnAttributes() {
        posix_spawnattr_init(&attributes);
        // A group of its own: a Ctrl-C at the terminal reaches this program,
        // which then stops the child itself, rather than the child at once.
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
};

}  // namespace

std::string findOnPath(const std::string& program, const std::string& pathVariable) {
    if (program.empty()) return "";
    if (program.find('/') != std::string::npos) return isExecutableFile(program) ? program : "";
    std::size_t from = 0;
    while (from <= pathVariable.size()) {
        std::size_t end = pathVariable.find(':', from);
        if (end == std::string::npos) end = pathVariable.size();
        // An empty entry is the current folder.
        std::string candidate = end > from ? pathVariable.substr(from, end - from) : std::string(1, '.');
        candidate.append(1, '/').append(program);
        if (isExecutableFile(candidate)) return candidate;
        from = end + 1;
    }
    return "";
}

std::string findOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    return findOnPath(program, path != nullptr ? path : "");
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) terminate();
    closePipe();
}

bool ChildProcess::start(const std::vector<std::string>& argv, std::string& error) {
    if (argv.empty()) {
        error = std::strerror(ENOENT);
        return false;
    }
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    FileActions fa;
    posix_spawn_file_actions_adddup2(&fa.actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&fa.actions, fds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&fa.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    SpawnAttributes sa;
    int rc = ::posix_spawn(&pid_, argv[0].c_str(), &fa.actions, &sa.attributes, args.data(), environ);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        pid_ = -1;
        error = std::strerror(rc);
        return false;
    }
    out_ = fds[0];
    ::fcntl(out_, F_SETFL, ::fcntl(out_, F_GETFL) | O_NONBLOCK);
    return true;
}

bool ChildProcess::pump(int waitMs, const LineSink& sink) {
    if (out_ < 0) return false;
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, waitMs) <= 0) return true;  // nothing yet (or a signal came)
    char buffer[4096];
    for (;;) {
        ssize_t got = ::read(out_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        if (got <= 0) break;  // the child closed its output (or the pipe failed)
        for (ssize_t k = 0; k < got; ++k) {
            char c = buffer[k];
            if (c == '\n' || c == '\r') {
                if (!partial_.empty()) sink(partial_);
                partial_.clear();
            } else {
                partial_ += c;
            }
        }
    }
    if (!partial_.empty()) sink(partial_);
    partial_.clear();
    closePipe();
    return false;
}

void ChildProcess::terminate() {
    if (pid_ > 0) ::kill(pid_, SIGTERM);
    wait();
}

int ChildProcess::wait() {
    if (pid_ <= 0) return status_;
    int raw = 0;
    pid_t got;
    do {
        got = ::waitpid(pid_, &raw, 0);
    } while (got < 0 && errno == EINTR);
    pid_ = -1;
    if (got < 0)
        status_ = -1;
    else if (WIFEXITED(raw))
        status_ = WEXITSTATUS(raw);
    else
        status_ = 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
    closePipe();
    return status_;
}

void ChildProcess::closePipe() {
    if (out_ >= 0) ::close(out_);
    out_ = -1;
}

}  // namespace strandex
