// The status panels on one updating line of a terminal's stderr.
#pragma once
#include "cli/memory_front_end.h"

namespace strandex {

class ConsoleStatus {
public:
    explicit ConsoleStatus(const MemoryFrontEnd& ui);
    void show();    // redraws the line when stderr is a terminal
    void finish();  // ends the line, if one was drawn

private:
    const MemoryFrontEnd& ui_;
    bool terminal_;
    bool drawn_ = false;
};

}  // namespace strandex
