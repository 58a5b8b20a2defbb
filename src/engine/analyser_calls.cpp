#include "engine/analyser_calls.h"

namespace strandex {

// The header analysers attach here; until then a slot's details are its
// First PTS line alone.
void callVideoAnalyser(FrontEnd&, VideoCodec, AnalyserChunk, std::uint32_t) {}

void callAudioAnalyser(FrontEnd&, const StreamTable&, AnalyserChunk, int) {}

}  // namespace strandex
