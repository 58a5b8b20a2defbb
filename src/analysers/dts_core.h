// The DTS core frame header (ETSI TS 102 114), for the stream facts: the
// channels, LFE, sample rate and bit rate of the first core frame of a
// chunk, in the 16-bit big-endian form discs carry.
#pragma once
#include <cstddef>
#include <cstdint>

namespace strandex {

struct DtsCoreHeader {
    bool valid = false;
    int channels = 0;    // LFE included; 0 for a user-defined channel mode
    bool lfe = false;
    int sampleRate = 0;
    int bitRate = 0;     // 0 for the open, variable and lossless codes
    std::size_t frameBytes = 0;
};

// The first core sync word 0x7FFE8001 whose header reads as valid.
DtsCoreHeader findDtsCore(const std::uint8_t* data, std::size_t length);

}  // namespace strandex
