// The last four bytes an analyser has seen, newest in the low byte: the way
// the header analysers find start codes. It starts as four zero bytes at
// each call, so a chunk that begins 01 B3 (or 00 01 B3) is taken as
// beginning with the start code 00 00 01 B3.
#pragma once
#include <cstdint>

namespace strandex {

class StartCodeWindow {
public:
    void push(std::uint8_t b) { bits_ = (bits_ << 8) | b; }
    bool holds(std::uint32_t code) const { return bits_ == code; }
    std::uint32_t bits() const { return bits_; }

private:
    std::uint32_t bits_ = 0;
};

}  // namespace strandex
