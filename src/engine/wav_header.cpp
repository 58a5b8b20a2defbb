#include "engine/wav_header.h"

#include <array>

#include "engine/lpcm_samples.h"

namespace strandex {

namespace {

// The speakers of 1 to 8 channels, in the order the samples come: mono,
// stereo, 2.1, 4.0, 5.0, 5.1, 6.1, 7.1 (what decoders of the disc's LPCM
// take them for).
constexpr std::array<std::uint32_t, 8> kSpeakerMasks{0x4, 0x3, 0xB, 0x107, 0x37, 0x3F, 0x70F, 0x63F};

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kDs64Size = 28;  // RIFF size, data size, sample count, table length
constexpr std::size_t kPcmFmtSize = 16;
constexpr std::size_t kExtensibleFmtSize = 40;
// KSDATAFORMAT_SUBTYPE_PCM after its first two bytes (the format tag).
constexpr std::array<std::uint8_t, 14> kPcmSubtypeTail{0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                      0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

struct Writer {
    std::vector<std::uint8_t>& b;
    void tag(const char (&t)[5]) { b.insert(b.end(), t, t + 4); }
    void u16(std::uint32_t v) {
        for (int k = 0; k < 2; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    }
    void u32(std::uint64_t v) {
        for (int k = 0; k < 4; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    }
    void u64(std::uint64_t v) {
        for (int k = 0; k < 8; ++k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    }
};

std::size_t fmtSize(const LpcmFormat& f) { return wavExtensible(f) ? kExtensibleFmtSize : kPcmFmtSize; }

std::uint64_t riffSize(const LpcmFormat& f, std::uint64_t dataBytes) {
    return wavHeaderSize(f) - 8 + dataBytes + (dataBytes & 1);
}

void writeFmt(Writer& w, const LpcmFormat& f) {
    const int sampleBytes = wavSampleBytes(f.bitsPerSample);
    const int blockAlign = sampleBytes * f.channels;
    w.tag("fmt ");
    w.u32(fmtSize(f));
    w.u16(wavExtensible(f) ? kFormatExtensible : kFormatPcm);
    w.u16(static_cast<std::uint32_t>(f.channels));
    w.u32(static_cast<std::uint32_t>(f.sampleRate));
    w.u32(static_cast<std::uint32_t>(f.sampleRate * blockAlign));
    w.u16(static_cast<std::uint32_t>(blockAlign));
    w.u16(static_cast<std::uint32_t>(8 * sampleBytes));
    if (!wavExtensible(f)) return;
    w.u16(22);  // the extension's size
    w.u16(static_cast<std::uint32_t>(f.bitsPerSample));  // valid bits
    w.u32(kSpeakerMasks[static_cast<std::size_t>(f.channels - 1)]);
    w.u16(kFormatPcm);
    w.b.insert(w.b.end(), kPcmSubtypeTail.begin(), kPcmSubtypeTail.end());
}

}  // namespace

bool wavExtensible(const LpcmFormat& format) { return format.channels > 2 || format.bitsPerSample > 16; }

std::size_t wavHeaderSize(const LpcmFormat& format) { return 12 + 8 + kDs64Size + 8 + fmtSize(format) + 8; }

bool needsRf64(const LpcmFormat& format, std::uint64_t dataBytes) {
    return riffSize(format, dataBytes) > kMaxRiffSize;
}

std::vector<std::uint8_t> wavHeader(const LpcmFormat& format, std::uint64_t dataBytes) {
    return wavHeader(format, dataBytes, needsRf64(format, dataBytes));
}

std::vector<std::uint8_t> wavHeader(const LpcmFormat& f, std::uint64_t dataBytes, bool rf64) {
    std::vector<std::uint8_t> b;
    b.reserve(wavHeaderSize(f));
    Writer w{b};
    const std::uint64_t frameBytes = static_cast<std::uint64_t>(wavSampleBytes(f.bitsPerSample) * f.channels);
    w.tag(rf64 ? "RF64" : "RIFF");
    w.u32(rf64 ? kMaxRiffSize : riffSize(f, dataBytes));
    w.tag("WAVE");
    w.tag(rf64 ? "ds64" : "JUNK");
    w.u32(kDs64Size);
    if (rf64) {
        w.u64(riffSize(f, dataBytes));
        w.u64(dataBytes);
        w.u64(dataBytes / frameBytes);
        w.u32(0);
    } else {
        b.insert(b.end(), kDs64Size, 0);
    }
    writeFmt(w, f);
    w.tag("data");
    w.u32(rf64 ? kMaxRiffSize : dataBytes);
    return b;
}

}  // namespace strandex
