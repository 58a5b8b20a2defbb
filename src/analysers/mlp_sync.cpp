#include "analysers/mlp_sync.h"

#include <array>

#include "analysers/bit_reader.h"

namespace strandex {

namespace {

constexpr std::uint32_t kSyncPrefix = 0xF8726F00;  // and 0xBA or 0xBB
constexpr std::uint8_t kTrueHdType = 0xBA;
constexpr std::uint8_t kMlpType = 0xBB;
constexpr std::size_t kFormatInfoBytes = 4;

// TrueHD channel assignment bits, lowest first: L/R, C, LFE, Ls/Rs,
// Lvh/Rvh, Lc/Rc, Lrs/Rrs, Cs, Ts, Lsd/Rsd, Lw/Rw, Cvh, LFE2.
constexpr std::array<int, 13> kAssignmentChannels{2, 1, 1, 2, 2, 2, 2, 1, 1, 2, 2, 1, 1};
constexpr std::uint32_t kLfeBits = (1u << 2) | (1u << 12);

// MLP channel arrangements 0-20: the channels of each, and which hold an LFE.
constexpr std::array<int, 21> kArrangementChannels{1, 2, 3, 4, 3, 4, 5, 3, 4, 5, 4,
                                                   5, 6, 4, 5, 4, 5, 6, 5, 5, 6};
constexpr std::array<bool, 21> kArrangementLfe{false, false, false, false, true,  true,  true,
                                               false, false, false, true,  true,  true,  false,
                                               false, true,  true,  true,  true,  false, true};

// The rate code: bit 3 picks the 44.1 kHz family, bits 0-2 double it;
// 15 is no rate, and nothing above 192 kHz is coded.
int sampleRate(std::uint32_t code) {
    if ((code & 7u) > 2) return 0;
    return ((code & 8u) != 0 ? 44100 : 48000) << (code & 7u);
}

int assignmentChannels(std::uint32_t assignment) {
    int n = 0;
    for (std::size_t k = 0; k < kAssignmentChannels.size(); ++k)
        if ((assignment >> k) & 1u) n += kAssignmentChannels[k];
    return n;
}

// format_info: rate, two multichannel-type and two reserved bits, the 2-
// and 6-channel modifiers, the 6-channel assignment (5 bits), the
// 8-channel modifier and assignment (13 bits). The 8-channel presentation,
// when there is one, is the whole stream.
void readTrueHd(BitReader& r, MlpMajorSync& s) {
    s.sampleRate = sampleRate(r.read(4));
    r.skip(4 + 2 + 2);
    std::uint32_t six = r.read(5);
    r.skip(2);
    std::uint32_t eight = r.read(13);
    std::uint32_t assignment = eight != 0 ? eight : six;
    s.channels = assignmentChannels(assignment);
    s.lfe = (assignment & kLfeBits) != 0;
}

// format_info: the two groups' sample sizes and rates, 11 reserved bits,
// the channel arrangement.
void readMlp(BitReader& r, MlpMajorSync& s) {
    r.skip(8);
    s.sampleRate = sampleRate(r.read(4));
    r.skip(4 + 11);
    std::uint32_t arrangement = r.read(5);
    if (arrangement >= kArrangementChannels.size()) return;
    s.channels = kArrangementChannels[arrangement];
    s.lfe = kArrangementLfe[arrangement];
}

}  // namespace

MlpMajorSync findMlpMajorSync(const std::uint8_t* data, std::size_t length) {
    std::uint32_t window = 0;
    for (std::size_t i = 0; i < length; ++i) {
        window = (window << 8) | data[i];
        if ((window & 0xFFFFFF00u) != kSyncPrefix || i + 1 < 4) continue;
        std::uint8_t type = data[i];
        if (type != kTrueHdType && type != kMlpType) continue;
        if (length - (i + 1) < kFormatInfoBytes) return {};
        MlpMajorSync s;
        BitReader r(data + i + 1, kFormatInfoBytes);
        if (type == kTrueHdType) {
            s.kind = MlpKind::TrueHd;
            readTrueHd(r, s);
        } else {
            s.kind = MlpKind::Mlp;
            readMlp(r, s);
        }
        return s;
    }
    return {};
}

}  // namespace strandex
