#include "playlist/xpl_scanner.h"

#include <algorithm>

namespace strandex {

namespace {
constexpr const char* kIndentUnit = "  ";
// A real playlist nests a dozen levels. A file that is no playlist may hold
// millions of stray "<": its lines are indented no deeper than this, so the
// memo grows with the file and not with its square.
constexpr std::int64_t kDeepestIndent = 256;
}  // namespace

void XplScanner::scan(const std::uint8_t* bytes, std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) step(bytes[k]);
}

void XplScanner::step(std::uint8_t b) {
    const std::uint8_t last = previous_ & 0xFF;
    if (b == '<') {
        insideTag_ = true;
        ++depth_;
    }
    if (insideTag_) {
        // A run of line breaks, tabs and other control bytes becomes one blank.
        if (b >= 0x20)
            line_ += static_cast<char>(b);
        else if (line_.empty() || line_.back() != ' ')
            line_ += ' ';
    }
    if (b == '/' && last == '<') {  // a closing tag: one level out
        depth_ -= 2;
        line_.erase(0, 2);
    }
    if (b == '>') {
        insideTag_ = false;
        sink_(line_);
        line_.clear();
        if (last == '/') --depth_;                     // an empty-element tag
        if (last == '?') --depth_;                     // a processing instruction
        if ((previous_ & 0xFFFF) == 0x2D2D) --depth_;  // the end of a comment
        for (std::int64_t level = 0; level < std::min(depth_, kDeepestIndent); ++level) line_ += kIndentUnit;
    }
    previous_ = (previous_ << 8) | b;
}

}  // namespace strandex
