// The major sync of an MLP or TrueHD access unit, for the stream facts:
// which of the two the stream is (the sync word's last byte, 0xBB or
// 0xBA), its sample rate and its channels.
#pragma once
#include <cstddef>
#include <cstdint>

namespace strandex {

enum class MlpKind : std::uint8_t { None, TrueHd, Mlp };

struct MlpMajorSync {
    MlpKind kind = MlpKind::None;
    int sampleRate = 0;   // 0 when the rate code is not a rate
    int channels = 0;     // LFE included
    bool lfe = false;
};

// The first major sync word (0xF8726FBA or 0xF8726FBB) with its format
// info whole in the chunk.
MlpMajorSync findMlpMajorSync(const std::uint8_t* data, std::size_t length);

}  // namespace strandex
