#include "analysers/dts_core.h"

#include <array>

#include "analysers/bit_reader.h"

namespace strandex {

namespace {

constexpr std::uint32_t kCoreSync = 0x7FFE8001;
// Sync word to LFF: 32 + 1 + 5 + 1 + 7 + 14 + 6 + 4 + 5 + 10 + 2 bits.
constexpr std::size_t kHeaderBytes = 11;

// Channels of each AMODE (16-63 are user defined), LFE not counted.
constexpr std::array<int, 16> kModeChannels{1, 2, 2, 2, 2, 3, 3, 4, 4, 5, 6, 6, 6, 7, 8, 8};
// SFREQ; 0 marks the invalid codes.
constexpr std::array<int, 16> kSampleRates{0, 8000, 16000, 32000, 0,     0,     11025, 22050,
                                           44100, 0, 0, 12000, 24000, 48000, 0, 0};
// RATE in bits a second; 29-31 are open, variable and lossless.
constexpr std::array<int, 32> kBitRates{
    32000,   56000,   64000,   96000,   112000,  128000,  192000,  224000,
    256000,  320000,  384000,  448000,  512000,  576000,  640000,  768000,
    960000,  1024000, 1152000, 1280000, 1344000, 1408000, 1411200, 1472000,
    1536000, 1920000, 2048000, 3072000, 3840000, 0,       0,       0};

constexpr std::uint32_t kMinFrameSize = 95;  // FSIZE below 95 is invalid
constexpr std::uint32_t kMinBlocks = 5;      // NBLKS below 5 is invalid

DtsCoreHeader readCore(const std::uint8_t* data) {
    BitReader r(data + 4, kHeaderBytes - 4);
    DtsCoreHeader h;
    r.skip(1 + 5 + 1);  // FTYPE, SHORT, CPF
    std::uint32_t blocks = r.read(7);
    std::uint32_t frameSize = r.read(14);
    std::uint32_t amode = r.read(6);
    h.sampleRate = kSampleRates[r.read(4)];
    h.bitRate = kBitRates[r.read(5)];
    r.skip(10);  // FixedBit, DYNF, TIMEF, AUXF, HDCD, EXT_AUDIO_ID, EXT_AUDIO, ASPF
    std::uint32_t lff = r.read(2);
    h.lfe = lff == 1 || lff == 2;
    if (amode < kModeChannels.size()) h.channels = kModeChannels[amode] + (h.lfe ? 1 : 0);
    h.frameBytes = frameSize + 1;
    h.valid = !r.past() && h.sampleRate != 0 && lff != 3 && frameSize >= kMinFrameSize &&
              blocks >= kMinBlocks;
    return h;
}

}  // namespace

DtsCoreHeader findDtsCore(const std::uint8_t* data, std::size_t length) {
    std::uint32_t window = 0;
    for (std::size_t i = 0; i < length; ++i) {
        window = (window << 8) | data[i];
        if (window != kCoreSync || i + 1 < 4 || length - (i - 3) < kHeaderBytes) continue;
        DtsCoreHeader h = readCore(data + i - 3);
        if (h.valid) return h;
    }
    return {};
}

}  // namespace strandex
