#include "engine/analyser_calls.h"

#include "analysers/analysers.h"

namespace strandex {

namespace {

// An analyser's lines go to the end of the Status memo, as given.
class StatusMemoLines final : public LineSink {
public:
    explicit StatusMemoLines(FrontEnd& ui) : ui_(ui) {}
    void line(const std::string& text) override { ui_.log(text); }

private:
    FrontEnd& ui_;
};

}  // namespace

void callVideoAnalyser(FrontEnd& ui, VideoCodec codec, AnalyserChunk chunk, std::uint32_t pts) {
    StatusMemoLines out(ui);
    switch (codec) {
        case VideoCodec::Vc1: return VC1info(chunk.data, chunk.length, pts, out);
        case VideoCodec::H264: return H264info(chunk.data, chunk.length, pts, out);
        case VideoCodec::Mpeg2: return MPEG2info(chunk.data, chunk.length, pts, out);
    }
}

void callAudioAnalyser(FrontEnd& ui, const StreamTable& table, AnalyserChunk chunk, int slot) {
    StatusMemoLines out(ui);
    AC3info(chunk.data, chunk.length, slot, Ac3Tables{table.AC3SampleRates, table.AC3BitRates}, out);
}

}  // namespace strandex
