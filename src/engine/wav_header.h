// The header of a WAV file of LPCM samples, written in full once the data
// size is known. Its layout never changes with the size: a JUNK chunk
// holds the room a ds64 chunk takes, so a file whose data does not fit a
// 32-bit size becomes RF64 in place, nothing after the header moving.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/stream_facts.h"

namespace strandex {

// The 32-bit RIFF sizes hold at most this; a larger size is written 0xFFFFFFFF
// and given in the ds64 chunk.
inline constexpr std::uint64_t kMaxRiffSize = 0xFFFFFFFF;

// WAVE_FORMAT_EXTENSIBLE where more than two channels or more than 16 bits
// call for it (the speaker mask, and 20 valid bits in a 24-bit container).
bool wavExtensible(const LpcmFormat& format);

// The bytes before the samples: RIFF, JUNK (or ds64), fmt and the data
// chunk's header.
std::size_t wavHeaderSize(const LpcmFormat& format);

// Whether `dataBytes` of samples need RF64: the RIFF size (the file less 8)
// would not fit 32 bits.
bool needsRf64(const LpcmFormat& format, std::uint64_t dataBytes);

// The header for `dataBytes` of samples (a pad byte follows odd data).
std::vector<std::uint8_t> wavHeader(const LpcmFormat& format, std::uint64_t dataBytes);
// The same with the RF64 form chosen by the caller, for a reader to check.
std::vector<std::uint8_t> wavHeader(const LpcmFormat& format, std::uint64_t dataBytes, bool rf64);

}  // namespace strandex
