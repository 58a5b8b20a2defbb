// The AC-3 and E-AC-3 sync frames of a chunk, for the stream facts: each
// frame header read whole (ATSC A/52 and its Annex E), and a walk from the
// first header whose frame leads to the next sync word.
#pragma once
#include <cstddef>
#include <cstdint>

#include "analysers/analysers.h"

namespace strandex {

struct Ac3FrameHeader {
    bool valid = false;
    bool eac3 = false;
    std::uint32_t bsid = 0;
    // E-AC-3 only: 0 independent, 1 dependent, 2 independent (converted).
    std::uint32_t streamType = 0;
    int sampleRate = 0;
    int bitRate = 0;
    std::size_t frameBytes = 0;
    std::uint32_t acmod = 0;
    bool lfe = false;
    int channels() const;
};

// The header whose sync word 0x0B77 starts at data (length bytes there).
Ac3FrameHeader readAc3FrameHeader(const std::uint8_t* data, std::size_t length, const Ac3Tables& tables);

struct Ac3Frames {
    int headers = 0;               // frame headers read in the chunk
    bool anyEac3 = false;          // one of them was E-AC-3
    Ac3FrameHeader first;          // the first independent one
};

// The frames from the first header that is followed by a sync word one
// frame later (or whose frame runs past the chunk's end), frame by frame
// while the sync words go on.
Ac3Frames scanAc3Frames(const std::uint8_t* data, std::size_t length, const Ac3Tables& tables);

}  // namespace strandex
