#include "engine/analyser_calls.h"

#include "analysers/analysers.h"

namespace strandex {

void callVideoAnalyser(FrontEnd& ui, VideoCodec codec, AnalyserChunk chunk, std::uint32_t pts) {
    switch (codec) {
        case VideoCodec::Vc1: return VC1info(chunk.data, chunk.length, pts, ui);
        case VideoCodec::H264: return H264info(chunk.data, chunk.length, pts, ui);
        case VideoCodec::Mpeg2: return MPEG2info(chunk.data, chunk.length, pts, ui);
    }
}

void callAudioAnalyser(FrontEnd& ui, const StreamTable& table, AnalyserChunk chunk, int slot) {
    AC3info(chunk.data, chunk.length, slot, Ac3Tables{table.AC3SampleRates, table.AC3BitRates}, ui);
}

}  // namespace strandex
