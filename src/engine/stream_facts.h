// What a command learns of each stream as the engine meets it, in either
// mode: that it was met, its identifying byte, its first PTS and what its
// first payload bytes tell of its coding. Kept by the session across the
// runs of one command (a second part adds what the first did not meet) and
// cleared when Read EVO or Demux starts. Nothing here changes what the
// engine logs or writes.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/demux_state.h"
#include "engine/stream_table.h"

namespace strandex {

// A stream's coding as its own bytes show it: a DD+ substream may carry
// plain AC-3, an MLP substream TrueHD or MLP.
enum class ContentCoding : std::uint8_t {
    Unknown,
    Mpeg2,
    H264,
    Vc1,
    Ac3,
    Eac3,
    Dts,
    Lpcm,
    TrueHd,
    Mlp,
    Subpicture,
};

// What a stream's id says of its coding; its first payload may tell more
// (plain AC-3 in a DD+ substream, MLP rather than TrueHD).
ContentCoding codingOf(VideoCodec codec);
ContentCoding codingOf(AudioCoding coding);

// The LPCM header's format byte, read: 0 in a field means not known or
// reserved.
struct LpcmFormat {
    int bitsPerSample = 0;  // 16, 20 or 24
    int sampleRate = 0;     // 48000 or 96000 (44100, 32000 on other discs)
    int channels = 0;       // 1 to 8
    bool valid() const { return bitsPerSample != 0 && sampleRate != 0 && channels != 0; }
};

// How far the probe of a stream's first chunks has got: it looks at each
// chunk until what its coding's headers tell is found, or gives up after a
// few chunks.
struct ProbeProgress {
    int chunks = 0;      // chunks looked at
    int frames = 0;      // AC-3 and E-AC-3 frame headers read in them
    bool done = false;
};

struct SlotFacts {
    bool met = false;           // a payload chunk of the stream was met
    std::int32_t id = -1;       // its identifying byte, as the engine registered it
    bool hasPts = false;        // one of its packets carried a PTS in its own header
    std::uint32_t firstPts = 0; // the first such PTS (low 32 bits)
    // The lowest PTS of its packets from the first up to the first one whose
    // PTS is later than the first's: for video the PTS of the picture shown
    // first, as the B pictures of an open GOP are shown before the I picture
    // that leads them in the stream. A muxer starts the track there.
    std::uint32_t earliestPts = 0;
    bool earliestSettled = false;
    bool hasShownPts = false;   // the "First PTS" a scan with details logs for it
    std::uint32_t shownPts = 0;
    ContentCoding coding = ContentCoding::Unknown;
    std::uint8_t lpcmFormatByte = 0;  // of its first packet, LPCM only
    LpcmFormat lpcm;
    // From the first payload, where its headers tell them; 0 or empty when not.
    int channels = 0;            // all of them, LFE included
    bool lfe = false;
    int sampleRate = 0;          // Hz
    int bitRate = 0;             // bits a second
    int frameRateNum = 0;        // pictures a second as a fraction: 24000/1001
    int frameRateDen = 0;
    std::string file;            // the Demux output it went to
    ProbeProgress probe;
};

struct StreamFacts {
    std::array<SlotFacts, kVideoSlots> video;
    std::array<SlotFacts, kAudioSlots> audio;
    std::array<SlotFacts, kSubSlots> sub;
    std::vector<std::string> parts;  // the source files read, in order
    std::int64_t size = 0;           // their sizes added
};

// The stream's delay to video slot 0 in milliseconds, (its earliest PTS -
// the video's) / 90 rounded to the nearest; none when either has no PTS.
// The video's earliest PTS is that of the picture a muxer shows first, so
// the tracks stay in step when leading B pictures come before it; an audio
// stream's is its first. The difference is taken modulo 2^32, as the
// timestamps are held.
std::optional<int> delayMs(const StreamFacts& facts, const SlotFacts& stream);

}  // namespace strandex
