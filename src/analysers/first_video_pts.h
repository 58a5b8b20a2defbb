// The "First Video PTS" line of the video analysers. Armed at the start of
// the first coded sequence (first sequence header, first I delimiter), it
// takes the PTS at the first picture it is shown and writes the smaller of
// that and the PTS of the second one. The engine passes one PTS per chunk,
// so the line carries that PTS, but only once a second picture is seen.
#pragma once
#include <cstdint>

#include "engine/front_end.h"

namespace strandex {

class FirstVideoPts {
public:
    void arm() { picturesToPass_ = 2; }
    bool pending() const { return picturesToPass_ > 0; }
    // One picture of the armed sequence; does nothing when not pending.
    void picture(std::uint32_t pts, FrontEnd& ui);

private:
    int picturesToPass_ = 0;
    std::uint32_t remembered_ = 0;
};

}  // namespace strandex
