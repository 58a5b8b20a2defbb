#include "engine/lpcm_samples.h"

#include <algorithm>

namespace strandex {

namespace {

void put16(std::uint8_t*& w, const std::uint8_t* hi) {
    *w++ = hi[1];
    *w++ = hi[0];
}

void put24(std::uint8_t*& w, const std::uint8_t* hi, std::uint8_t low) {
    *w++ = low;
    *w++ = hi[1];
    *w++ = hi[0];
}

// One block of n samples of 20 or 24 bits at `in`.
void convertBlock(const std::uint8_t* in, int n, int bits, std::uint8_t*& w) {
    const std::uint8_t* low = in + 2 * n;
    for (int k = 0; k < n; ++k) {
        std::uint8_t extra = bits == 24 ? low[k] : static_cast<std::uint8_t>(
                                                       (k % 2 == 0 ? low[k / 2] >> 4 : low[k / 2] & 0x0F) << 4);
        put24(w, in + 2 * k, extra);
    }
}

}  // namespace

LpcmToWav::LpcmToWav(const LpcmFormat& format) : format_(format), unitBytes_(lpcmUnitBytes(format)) {}

void LpcmToWav::convertUnits(const std::uint8_t* data, std::size_t units, std::vector<std::uint8_t>& out) const {
    const int unitSamples = lpcmUnitSamples(format_);
    const int sampleBytes = wavSampleBytes(format_.bitsPerSample);
    std::size_t at = out.size();
    out.resize(at + units * static_cast<std::size_t>(unitSamples * sampleBytes));
    std::uint8_t* w = out.data() + at;
    const int block = lpcmBlockSamples(format_);
    const std::size_t blockBytes = static_cast<std::size_t>(block * format_.bitsPerSample / 8);
    const std::size_t blocks = units * static_cast<std::size_t>(unitSamples / block);
    for (std::size_t b = 0; b < blocks; ++b, data += blockBytes) {
        if (format_.bitsPerSample == 16)
            put16(w, data);
        else
            convertBlock(data, block, format_.bitsPerSample, w);
    }
}

void LpcmToWav::convert(const std::uint8_t* data, std::size_t n, std::vector<std::uint8_t>& out) {
    if (carried_ > 0) {
        std::size_t take = std::min(n, unitBytes_ - carried_);
        std::copy(data, data + take, carry_.begin() + static_cast<std::ptrdiff_t>(carried_));
        carried_ += take;
        data += take;
        n -= take;
        if (carried_ < unitBytes_) return;
        convertUnits(carry_.data(), 1, out);
        carried_ = 0;
    }
    std::size_t units = n / unitBytes_;
    convertUnits(data, units, out);
    std::size_t rest = n - units * unitBytes_;
    std::copy(data + units * unitBytes_, data + n, carry_.begin());
    carried_ = rest;
}

}  // namespace strandex
