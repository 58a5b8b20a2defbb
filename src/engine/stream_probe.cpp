#include "engine/stream_probe.h"

#include <array>

#include "analysers/ac3_frames.h"
#include "analysers/dts_core.h"
#include "analysers/frame_rate.h"
#include "analysers/mlp_sync.h"

namespace strandex {

namespace {

// Two frame headers tell whether a DD+ stream mixes E-AC-3 frames (the
// dependent frames of an AC-3 core) into its AC-3 ones.
constexpr int kAc3FramesWanted = 2;

void noteAudio(SlotFacts& f, int channels, bool lfe, int sampleRate, int bitRate) {
    f.channels = channels;
    f.lfe = lfe;
    f.sampleRate = sampleRate;
    f.bitRate = bitRate;
}

// The coding as the frames show it: any E-AC-3 frame makes the stream
// E-AC-3, frames all AC-3 make it AC-3, whatever its id says.
bool probeAc3(SlotFacts& f, const Ac3Tables& tables, const std::uint8_t* data, std::size_t length) {
    Ac3Frames frames = scanAc3Frames(data, length, tables);
    if (frames.headers == 0) return false;
    if (f.probe.frames == 0) f.coding = ContentCoding::Ac3;
    if (frames.anyEac3) f.coding = ContentCoding::Eac3;
    const Ac3FrameHeader& h = frames.first;  // the independent frame's header
    if (f.sampleRate == 0 && h.valid) noteAudio(f, h.channels(), h.lfe, h.sampleRate, h.bitRate);
    f.probe.frames += frames.headers;
    return f.coding == ContentCoding::Eac3 || f.probe.frames >= kAc3FramesWanted;
}

bool probeDts(SlotFacts& f, const std::uint8_t* data, std::size_t length) {
    DtsCoreHeader h = findDtsCore(data, length);
    if (!h.valid) return false;
    noteAudio(f, h.channels, h.lfe, h.sampleRate, h.bitRate);
    return true;
}

bool probeMlp(SlotFacts& f, const std::uint8_t* data, std::size_t length) {
    MlpMajorSync s = findMlpMajorSync(data, length);
    if (s.kind == MlpKind::None) return false;
    f.coding = s.kind == MlpKind::Mlp ? ContentCoding::Mlp : ContentCoding::TrueHd;
    noteAudio(f, s.channels, s.lfe, s.sampleRate, 0);
    return true;
}

// Every packet's LPCM header gives the format; the first's is taken.
bool probeLpcm(SlotFacts& f) {
    if (!f.lpcm.valid()) return true;
    noteAudio(f, f.lpcm.channels, false, f.lpcm.sampleRate,
              f.lpcm.bitsPerSample * f.lpcm.sampleRate * f.lpcm.channels);
    return true;
}

bool probeVideo(SlotFacts& f, FrameRate rate) {
    if (!rate.known()) return false;
    f.frameRateNum = rate.num;
    f.frameRateDen = rate.den;
    return true;
}

// True when the chunk gave what the stream's coding is looked at for.
bool probeChunk(SlotFacts& f, const Ac3Tables& tables, const std::uint8_t* data, std::size_t length) {
    switch (f.coding) {
        case ContentCoding::Ac3:
        case ContentCoding::Eac3: return probeAc3(f, tables, data, length);
        case ContentCoding::Dts: return probeDts(f, data, length);
        case ContentCoding::TrueHd:
        case ContentCoding::Mlp: return probeMlp(f, data, length);
        case ContentCoding::Lpcm: return probeLpcm(f);
        case ContentCoding::Mpeg2: return probeVideo(f, mpeg2FrameRate(data, length));
        case ContentCoding::Vc1: return probeVideo(f, vc1FrameRate(data, length));
        case ContentCoding::H264: return probeVideo(f, h264FrameRate(data, length));
        default: return true;  // subpictures: nothing to read
    }
}

}  // namespace

LpcmFormat lpcmFormat(std::uint8_t formatByte) {
    static constexpr std::array<int, 4> kBits{16, 20, 24, 0};
    static constexpr std::array<int, 4> kRates{48000, 96000, 44100, 32000};
    LpcmFormat f;
    f.bitsPerSample = kBits[formatByte >> 6];
    f.sampleRate = kRates[(formatByte >> 4) & 3];
    f.channels = (formatByte & 7) + 1;
    return f;
}

void probePayload(SlotFacts& facts, const Ac3Tables& tables, const std::uint8_t* data, std::size_t length) {
    if (facts.probe.done) return;
    ++facts.probe.chunks;
    facts.probe.done = probeChunk(facts, tables, data, length) || facts.probe.chunks >= kProbeChunks;
}

}  // namespace strandex
