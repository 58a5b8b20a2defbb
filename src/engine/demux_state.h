// The byte-by-byte parser state of one engine run. Every field starts at
// its start value when a run begins; nothing carries over between runs.
#pragma once
#include <cstdint>

namespace strandex {

enum class StreamKind : std::uint8_t {
    Video = 0,
    Audio = 1,
    Ignored = 2,
    Skipped = 3,
    MpegAudio = 4,
    PrivateStream1 = 5,
    Subpicture = 6,
    None = 8,
};

enum class VideoCodec : std::uint8_t { Mpeg2 = 0, H264 = 1, Vc1 = 2 };
enum class AudioCoding : std::uint8_t { DD = 0, DDPlus = 1, DtsHd = 2, Lpcm = 3, Mlp = 4 };

struct DemuxState {
    std::uint8_t Mode = 0;          // 0 scan, 1 write
    double StartTime = 0;           // seconds on a monotonic clock
    std::uint32_t Window = 0;       // last four bytes examined, newest lowest
    StreamKind Kind = StreamKind::None;
    VideoCodec Codec = VideoCodec::Mpeg2;
    AudioCoding Coding = AudioCoding::DD;
    std::int32_t VideoSlot = -1;
    std::int32_t AudioSlot = -1;
    std::int32_t SubSlot = -1;
    std::int32_t AudioId = 0;
    // The identifying byte of the current video packet (stream id, or the
    // VC-1 stream id extension once read); -1 while unknown.
    std::int32_t VideoId = -1;
    std::int32_t Remaining = 0;
    std::uint8_t LengthBytes = 0;
    std::int32_t SkipLeft = 0;
    std::uint8_t FixedLeft = 0;
    std::uint8_t Flags2 = 0;
    std::uint8_t HeaderLeft = 0;
    std::int32_t PtsLeft = 0;
    std::int32_t PtsDtsLeft = 0;
    std::int32_t ExtFlagsLeft = 0;
    std::int32_t ExtFlags = 0;
    std::int32_t PstdLeft = 0;
    std::int32_t Ext2Left = 0;
    std::uint8_t SubstreamLeft = 0;
    std::uint8_t LpcmLeft = 0;
    std::int32_t MlpLeft = 0;
    bool InPayload = false;
    std::uint32_t TsAcc = 0;
    std::uint32_t PendingPts = 0;
    // The current packet's own header carried a PTS-only timestamp. Only
    // such a subpicture packet gets the "SP" header: the pending PTS may
    // otherwise be left from a packet of another stream (a video packet
    // with a PTS and no DTS, say).
    bool PtsInPacket = false;
    std::uint32_t VideoPts = 0;
    std::uint32_t VideoDts = 0;
    std::uint32_t FirstAudioPts = 0;
    std::int32_t ChunkLength = 0;
};

// True when no packet is open: only Window moves and start codes are sought.
inline bool isIdle(const DemuxState& s) {
    return !s.InPayload && s.SkipLeft == 0 && s.LengthBytes == 0 && s.FixedLeft == 0 &&
           s.PtsLeft == 0 && s.PtsDtsLeft == 0 && s.ExtFlagsLeft == 0 && s.PstdLeft == 0 &&
           s.Ext2Left == 0 && s.HeaderLeft == 0 && s.SubstreamLeft == 0 && s.LpcmLeft == 0 &&
           s.MlpLeft == 0;
}

}  // namespace strandex
