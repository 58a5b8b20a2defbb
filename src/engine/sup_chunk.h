// The .sup form of a subpicture stream: its payload as it came, each
// packet that carried a PTS preceded by "SP", the PTS little-endian and
// four zero bytes.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/file_io.h"

namespace strandex {

inline constexpr std::size_t kSupHeaderSize = 10;

// Appends one payload chunk; `pts` 0: its packet carried none.
void appendSupChunk(OutputFile& out, std::uint32_t pts, const std::uint8_t* data, std::size_t n);

}  // namespace strandex
