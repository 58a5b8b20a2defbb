#include "cli/console_status.h"

#include <cstdio>
#include <unistd.h>

namespace strandex {

ConsoleStatus::ConsoleStatus(const MemoryFrontEnd& ui) : ui_(ui), terminal_(::isatty(2) == 1) {}

void ConsoleStatus::show() {
    if (!terminal_) return;
    std::fprintf(stderr, "\r\x1b[K%s %s", ui_.panels[0].c_str(), ui_.panels[1].c_str());
    std::fflush(stderr);
    drawn_ = true;
}

void ConsoleStatus::finish() {
    if (!drawn_) return;
    std::fprintf(stderr, "\r\x1b[K");
    std::fflush(stderr);
    drawn_ = false;
}

}  // namespace strandex
