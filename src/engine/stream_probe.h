// What a stream's first payload bytes tell of its coding, beyond what its
// id says: channels, sample rate, bit rate, picture rate, and for a DD+ or
// MLP substream which coding it really holds.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/stream_facts.h"

namespace strandex {

// The LPCM header's format byte: bits 7-6 the sample size (16, 20, 24),
// bits 5-4 the sample rate (48, 96, 44.1, 32 kHz), bits 2-0 channels - 1.
LpcmFormat lpcmFormat(std::uint8_t formatByte);

// Fills in what the first chunk of the stream shows; `facts.coding` holds
// what its id says when called.
void probeFirstPayload(SlotFacts& facts, const std::uint8_t* data, std::size_t length);

}  // namespace strandex
