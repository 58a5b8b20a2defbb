// What happens to a payload chunk: video pictures are counted, each slot's
// first chunk is shown to its analyser (scan mode), and in write mode the
// chunk is appended to its slot's output file.
#include "engine/analyser_calls.h"
#include "engine/engine_run.h"
#include "engine/sup_chunk.h"
#include "engine/text_format.h"

namespace strandex {

namespace {

// The slots a video chunk counts for: its own in a scan; in write mode its
// own only while that is being written.
void countChunkFrames(EngineRun& run, std::size_t start, std::size_t length) {
    DemuxState& s = run.state;
    FrontEnd& ui = run.ui;
    if (s.Kind != StreamKind::Video || !ui.ticked(Box::cbCountFr)) return;
    if (s.Mode == RunMode::Scan) return CountFrames(run, start, length, s.VideoSlot);
    for (int slot = 0; slot < kVideoSlots; ++slot)
        if (s.VideoSlot == slot && selected(ui, videoBox(slot))) CountFrames(run, start, length, slot);
}

void logDetails(EngineRun& run, std::size_t start, std::size_t length) {
    DemuxState& s = run.state;
    StreamTable& t = run.table;
    AnalyserChunk chunk{run.buffer + start, length};
    if (s.Kind == StreamKind::Audio) {
        auto slot = static_cast<std::size_t>(s.AudioSlot);
        if (t.AudioDetailsLogged[slot] || !run.ui.ticked(Box::cbDetails)) return;
        t.AudioDetailsLogged[slot] = true;
        run.ui.log("   First PTS = " + hex8(s.FirstAudioPts));
        if (s.Coding == AudioCoding::DDPlus) callAudioAnalyser(run.ui, t, chunk, s.AudioSlot);
    } else if (s.Kind == StreamKind::Video) {
        auto slot = static_cast<std::size_t>(s.VideoSlot);
        if (t.VideoDetailsLogged[slot] || !run.ui.ticked(Box::cbDetails)) return;
        t.VideoDetailsLogged[slot] = true;
        run.ui.log("   First PTS = " + hex8(s.VideoPts));
        callVideoAnalyser(run.ui, s.Codec, chunk, s.VideoPts);
    }
}

// A slot is written only while its box is ticked, and only when the Demux
// command created its file for this run (which it does for selected boxes
// alone, and no box is disabled while the command runs).
bool writable(FrontEnd& ui, Box box, const OutputFile& out) {
    return out.isOpen() && ui.ticked(box);
}

// A chunk is written as it stands in the block: from the mapped source
// itself where the block is a view into it.
void appendChunk(const EngineRun& run, OutputFile& out, const std::uint8_t* data, std::size_t length) {
    if (run.sharedBytes)
        out.appendShared(data, length);
    else
        out.append(data, length);
}

void writeChunk(EngineRun& run, std::size_t start, std::size_t length) {
    DemuxState& s = run.state;
    StreamTable& t = run.table;
    const std::uint8_t* data = run.buffer + start;
    if (s.Kind == StreamKind::Video) {
        auto& out = t.VideoOut[static_cast<std::size_t>(s.VideoSlot)];
        if (writable(run.ui, videoBox(s.VideoSlot), out)) appendChunk(run, out, data, length);
    } else if (s.Kind == StreamKind::Audio) {
        auto slot = static_cast<std::size_t>(s.AudioSlot);
        auto& out = t.AudioOut[slot];
        if (!writable(run.ui, audioBox(s.AudioSlot), out)) return;
        WavOutput& wav = run.session.audioWav[slot];
        if (wav.active())
            wav.write(out, run.session.facts.audio[slot], s.Coding == AudioCoding::Lpcm, data, length);
        else
            appendChunk(run, out, data, length);
    } else if (s.Kind == StreamKind::Subpicture && s.SubSlot < kSubBoxSlots) {
        auto& out = t.SubpictureOut[static_cast<std::size_t>(s.SubSlot)];
        if (!writable(run.ui, subBox(s.SubSlot), out)) return;
        // Only a packet that carried a PTS of its own gets it; it is taken.
        std::uint32_t pts = s.PtsInPacket ? s.PendingPts : 0;
        if (pts != 0) s.PendingPts = 0;
        auto slot = static_cast<std::size_t>(s.SubSlot);
        VobSubOutput& vobsub = run.session.subVobSub[slot];
        if (vobsub.active())
            vobsub.write(out, pts, run.session.facts.sub[slot].id, data, length);
        else
            appendSupChunk(out, pts, data, length);
    }
    // MPEG audio has no slot and is never written.
}

}  // namespace

void dispatchChunk(EngineRun& run, std::size_t start, std::size_t length) {
    noteChunk(run, start, length);
    countChunkFrames(run, start, length);
    if (run.state.Mode == RunMode::Scan)
        logDetails(run, start, length);
    else
        writeChunk(run, start, length);
}

void CountFrames(EngineRun& run, std::size_t start, std::size_t length, int slot) {
    auto k = static_cast<std::size_t>(slot);
    run.table.FrameCount[k] +=
        countFrameCodes(run.buffer + start, length, run.state.Codec, run.table.FrameWindow[k]);
}

}  // namespace strandex
