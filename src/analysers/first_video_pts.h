// The "First Video PTS" line of the video analysers. Armed at the start of
// the first coded sequence (first sequence header, first I delimiter), it
// takes the PTS at the first picture it is shown and writes the smaller of
// that and the PTS of the second one. The engine passes one PTS per chunk,
// so the line carries that PTS, but only once a second picture is seen;
// the chunk's PTS is kept here, as this line is its only use.
#pragma once
#include <cstdint>

#include "analysers/line_sink.h"

namespace strandex {

// The VC-1 analyser writes the PTS in 16 hexadecimal digits, the others
// in 8.
enum class PtsDigits { Eight, Sixteen };

class FirstVideoPts {
public:
    FirstVideoPts(std::uint32_t chunkPts, LineSink& out, PtsDigits digits = PtsDigits::Eight)
        : chunkPts_(chunkPts), out_(out), digits_(digits) {}

    void arm() { picturesToPass_ = 2; }
    bool pending() const { return picturesToPass_ > 0; }
    // One picture of the armed sequence; does nothing when not pending.
    void picture();

private:
    std::uint32_t chunkPts_;
    LineSink& out_;
    PtsDigits digits_;
    int picturesToPass_ = 0;
    std::uint32_t remembered_ = 0;
};

}  // namespace strandex
