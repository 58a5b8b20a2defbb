// Reads a header's fields most significant bit first, as the audio and
// video standards write them. A read past the end gives zero bits and
// marks the reader, so a header cut by the end of its chunk is refused
// rather than read from bytes that are not there.
#pragma once
#include <cstddef>
#include <cstdint>

namespace strandex {

class BitReader {
public:
    BitReader(const std::uint8_t* data, std::size_t length) : data_(data), bits_(length * 8) {}

    // Up to 32 bits.
    std::uint32_t read(int count) {
        std::uint32_t value = 0;
        for (int k = 0; k < count; ++k) value = (value << 1) | bit();
        return value;
    }
    bool flag() { return bit() != 0; }
    void skip(std::size_t count) {
        for (std::size_t k = 0; k < count && !past_; ++k) bit();
    }
    // An unsigned Exp-Golomb code (H.264 ue(v)); at most 31 leading zeros.
    std::uint32_t ue() {
        int zeros = 0;
        while (bit() == 0 && !past_) {
            if (++zeros > 31) {
                past_ = true;
                return 0;
            }
        }
        if (zeros == 0) return 0;
        return ((1u << zeros) - 1) + read(zeros);
    }
    std::int32_t se() {
        std::uint32_t k = ue();
        auto magnitude = static_cast<std::int32_t>((k + 1) / 2);
        return (k & 1) != 0 ? magnitude : -magnitude;
    }
    bool past() const { return past_; }
    // A field out of its range: the header is refused as if cut.
    void refuse() { past_ = true; }

private:
    std::uint32_t bit() {
        if (at_ >= bits_) {
            past_ = true;
            return 0;
        }
        std::uint32_t b = (data_[at_ / 8] >> (7 - at_ % 8)) & 1u;
        ++at_;
        return b;
    }

    const std::uint8_t* data_;
    std::size_t bits_;
    std::size_t at_ = 0;
    bool past_ = false;
};

}  // namespace strandex
