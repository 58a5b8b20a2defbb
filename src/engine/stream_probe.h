// What a stream's first payload bytes tell of its coding, beyond what its
// id says: channels, sample rate, bit rate, picture rate, and for a DD+ or
// MLP substream which coding it really holds.
#pragma once
#include <cstddef>
#include <cstdint>

#include "analysers/analysers.h"
#include "engine/stream_facts.h"

namespace strandex {

// The chunks of a stream the probe looks at before it gives up: enough
// for a header that the first chunks cut, few enough to cost nothing.
inline constexpr int kProbeChunks = 16;

// The LPCM header's format byte: bits 7-6 the sample size (16, 20, 24),
// bits 5-4 the sample rate (48, 96, 44.1, 32 kHz), bits 2-0 channels - 1.
LpcmFormat lpcmFormat(std::uint8_t formatByte);

// Fills in what one chunk of the stream shows, from its first chunk on
// until `facts.probe.done`; `facts.coding` holds what its id says when
// first called. The AC-3 tables are the ones its header analyser reads.
void probePayload(SlotFacts& facts, const Ac3Tables& tables, const std::uint8_t* data, std::size_t length);

}  // namespace strandex
