// The stream header analysers. Each reads the first payload chunk of a
// stream and writes what it finds to a line sink, as indented lines; none
// changes any engine state.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "analysers/line_sink.h"

namespace strandex {

struct Ac3Tables {
    const std::array<std::int32_t, 4>& sampleRates;  // by fscod
    const std::array<std::int32_t, 19>& bitRates;    // by frmsizecod / 2
};

// The first AC-3 or E-AC-3 sync frame header of a Dolby Digital Plus slot.
void AC3info(const std::uint8_t* data, std::size_t length, int slot, const Ac3Tables& tables,
             LineSink& out);
// VC-1 advanced-profile sequence header and the frames before it.
void VC1info(const std::uint8_t* data, std::size_t length, std::uint32_t pts, LineSink& out);
// MPEG-2 sequence header, its extension and the picture types before it.
void MPEG2info(const std::uint8_t* data, std::size_t length, std::uint32_t pts, LineSink& out);
// H.264 access unit delimiters and the first sequence parameter set.
void H264info(const std::uint8_t* data, std::size_t length, std::uint32_t pts, LineSink& out);

}  // namespace strandex
