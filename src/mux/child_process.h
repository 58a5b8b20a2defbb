// A program run as a child process, without a shell: its standard output
// and error come back through one pipe, a line at a time, while the caller
// lets its own events run between reads.
#pragma once
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace strandex {

// The full path of `program` as the PATH variable finds it (an executable
// regular file); empty when it is not there. A name with a "/" is taken
// as it stands.
std::string findOnPath(const std::string& program, const std::string& pathVariable);
std::string findOnPath(const std::string& program);

class ChildProcess {
public:
    using LineSink = std::function<void(const std::string&)>;

    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    // A child still running is stopped and waited for.
    ~ChildProcess();

    // Starts argv[0] (a path) with the arguments that follow. On failure
    // returns false with the system's reason in `error`.
    bool start(const std::vector<std::string>& argv, std::string& error);

    // Waits up to `waitMs` for output and hands each complete line (without
    // its line break; a carriage return also ends a line) to `sink`. Returns
    // false once the child has closed its output; the last unfinished line
    // is handed over then.
    bool pump(int waitMs, const LineSink& sink);

    // Asks the child to stop (SIGTERM), then waits for it.
    void terminate();

    // Waits for the child's end: its exit status, or 128 + the signal that
    // ended it.
    int wait();

private:
    void closePipe();

    pid_t pid_ = -1;
    int out_ = -1;
    std::string partial_;
    int status_ = -1;
};

}  // namespace strandex
