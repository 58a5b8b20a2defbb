// Keeps a second command from starting while one runs: the source file,
// the outputs and the stream table are shared by all of them.
#pragma once
#include "engine/session.h"

namespace strandex {

class CommandGuard {
public:
    explicit CommandGuard(Session& session) : session_(session), owner_(!session.commandRunning) {
        session_.commandRunning = true;
    }
    ~CommandGuard() {
        if (owner_) session_.commandRunning = false;
    }
    CommandGuard(const CommandGuard&) = delete;
    CommandGuard& operator=(const CommandGuard&) = delete;

    // False when another command was already running: the caller returns.
    bool acquired() const { return owner_; }

private:
    Session& session_;
    bool owner_;
};

}  // namespace strandex
