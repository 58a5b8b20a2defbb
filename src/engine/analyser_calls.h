// Where the payload dispatch shows a slot's first chunk to its stream
// analyser. The analysers only write lines, which go to the Status memo.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/demux_state.h"
#include "engine/front_end.h"
#include "engine/stream_table.h"

namespace strandex {

struct AnalyserChunk {
    const std::uint8_t* data;
    std::size_t length;
};

void callVideoAnalyser(FrontEnd& ui, VideoCodec codec, AnalyserChunk chunk, std::uint32_t pts);
void callAudioAnalyser(FrontEnd& ui, const StreamTable& table, AnalyserChunk chunk, int slot);

}  // namespace strandex
