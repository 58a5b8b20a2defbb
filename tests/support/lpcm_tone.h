// The LPCM track of the real-streams EVO: a known tone, made here so that
// the packer that writes it and the tests that read it back agree on every
// sample without a reference file.
#pragma once
#include <cstddef>

#include "support/pack_builder.h"

namespace strandex::test {

inline constexpr int kToneRate = 48000;
inline constexpr int kToneChannels = 2;
inline constexpr std::size_t kToneSampleFrameBytes = 4;  // 16-bit stereo

// `sampleFrames` frames of 16-bit stereo at 48 kHz, big-endian as DVD LPCM
// carries it, left before right: 1 kHz on the left, 2 kHz on the right,
// both at a quarter of full scale.
Bytes lpcmTone(std::size_t sampleFrames);

}  // namespace strandex::test
