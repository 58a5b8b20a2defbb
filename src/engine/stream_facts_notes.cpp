// The engine's notes on the streams it meets, in either mode: the stream
// facts a command keeps. They read the parser state and never change it.
#include "engine/engine_run.h"
#include "engine/stream_probe.h"

namespace strandex {

namespace {

SlotFacts* factsOfChunk(EngineRun& run) {
    const DemuxState& s = run.state;
    StreamFacts& f = run.session.facts;
    switch (s.Kind) {
        case StreamKind::Video: return &f.video[static_cast<std::size_t>(s.VideoSlot)];
        case StreamKind::Audio: return &f.audio[static_cast<std::size_t>(s.AudioSlot)];
        case StreamKind::Subpicture: return &f.sub[static_cast<std::size_t>(s.SubSlot)];
        default: return nullptr;
    }
}

void noteFirstChunk(EngineRun& run, SlotFacts& f) {
    const DemuxState& s = run.state;
    f.met = true;
    if (s.Kind == StreamKind::Video) {
        f.id = run.table.VideoIds[static_cast<std::size_t>(s.VideoSlot)];
        f.coding = codingOf(s.Codec);
        noteShownPts(f, s.VideoPts);
    } else if (s.Kind == StreamKind::Audio) {
        f.id = run.table.AudioIds[static_cast<std::size_t>(s.AudioSlot)];
        f.coding = codingOf(s.Coding);
        noteShownPts(f, s.FirstAudioPts);
        if (f.coding == ContentCoding::Lpcm) {
            f.lpcmFormatByte = s.LpcmFormatByte;
            f.lpcm = lpcmFormat(s.LpcmFormatByte);
        }
    } else {
        f.id = run.table.SubpictureIds[static_cast<std::size_t>(s.SubSlot)];
        f.coding = ContentCoding::Subpicture;
    }
}

// The lowest PTS up to the first packet whose PTS is later than the first's.
void noteEarliestPts(SlotFacts& f, std::uint32_t pts) {
    if (static_cast<std::int32_t>(pts - f.firstPts) > 0)
        f.earliestSettled = true;
    else if (static_cast<std::int32_t>(pts - f.earliestPts) < 0)
        f.earliestPts = pts;
}

}  // namespace

void noteShownPts(SlotFacts& facts, std::uint32_t pts) {
    if (facts.hasShownPts) return;
    facts.hasShownPts = true;
    facts.shownPts = pts;
}

void noteChunk(EngineRun& run, std::size_t start, std::size_t length) {
    SlotFacts* f = factsOfChunk(run);
    if (f == nullptr) return;
    if (!f->met) noteFirstChunk(run, *f);
    probePayload(*f, Ac3Tables{run.table.AC3SampleRates, run.table.AC3BitRates}, run.buffer + start, length);
    if (!run.state.PacketHasPts) return;
    if (!f->hasPts) {
        f->hasPts = true;
        f->firstPts = f->earliestPts = run.state.PacketPts;
    } else if (!f->earliestSettled) {
        noteEarliestPts(*f, run.state.PacketPts);
    }
}

}  // namespace strandex
