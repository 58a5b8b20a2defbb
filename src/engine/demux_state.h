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

// Scan finds and reports the streams; write appends the ticked ones to
// their files and reports nothing but progress.
enum class RunMode : std::uint8_t { Scan = 0, Write = 1 };

enum class VideoCodec : std::uint8_t { Mpeg2 = 0, H264 = 1, Vc1 = 2 };
enum class AudioCoding : std::uint8_t { DD = 0, DDPlus = 1, DtsHd = 2, Lpcm = 3, Mlp = 4 };

struct DemuxState {
    RunMode Mode = RunMode::Scan;
    double StartTime = 0;           // seconds on a monotonic clock
    std::uint32_t Window = 0;       // last four bytes examined, newest lowest
    StreamKind Kind = StreamKind::None;
    VideoCodec Codec = VideoCodec::Mpeg2;
    AudioCoding Coding = AudioCoding::DD;  // of the last audio substream recognised
    std::int32_t VideoSlot = -1;
    std::int32_t AudioSlot = -1;
    std::int32_t SubSlot = -1;
    std::int32_t AudioId = 0;  // the last audio substream id recognised
    // The identifying byte of the current video packet (stream id, or the
    // VC-1 stream id extension once read); -1 while unknown.
    std::int32_t VideoId = -1;

    // The parser's counters: which one is not zero says what the next byte is.
    std::int32_t Remaining = 0;      // packet bytes after PES_packet_length not yet consumed
    std::uint8_t LengthBytes = 0;    // bytes of PES_packet_length still to read (2, 1)
    std::int32_t SkipLeft = 0;       // bytes of a skipped or abandoned packet still to pass over
    std::uint8_t FixedLeft = 0;      // of the two flags bytes and PES_header_data_length (3 to 1)
    std::uint8_t Flags2 = 0;         // the second flags byte: PTS_DTS_flags, PES_extension_flag
    std::uint8_t HeaderLeft = 0;     // PES header data bytes still to read, stuffing included
    std::int32_t PtsLeft = 0;        // bytes of a PTS without DTS still to read (5 to 1)
    std::int32_t PtsDtsLeft = 0;     // bytes of a PTS and its DTS still to read (10 to 1)
    std::int32_t ExtFlagsLeft = 0;   // the PES extension flags byte still to read (1)
    std::int32_t ExtFlags = 0;       // the PES extension flags byte
    std::int32_t PstdLeft = 0;       // bytes of the P-STD buffer field still to pass over (2, 1)
    std::int32_t Ext2Left = 0;       // bytes of the extension-2 field still to read (2, 1)
    std::uint8_t SubstreamLeft = 0;  // of the substream id and the common audio header (4 to 1)
    std::uint8_t LpcmLeft = 0;       // LPCM header bytes after it still to pass over (3 to 1)
    std::int32_t MlpLeft = 0;        // the MLP header byte after it still to pass over (1)
    bool InPayload = false;          // the payload is being handed out, a chunk per block

    std::uint32_t TsAcc = 0;  // the timestamp being assembled
    std::uint32_t PendingPts = 0;  // the PTS of the last PTS-only header, until taken
    // The current packet's own header carried a PTS-only timestamp. Only
    // such a subpicture packet gets the "SP" header: the pending PTS may
    // otherwise be left from a packet of another stream (a video packet
    // with a PTS and no DTS, say).
    bool PtsInPacket = false;
    // The PTS of the current packet's own header (alone, or the PTS of a
    // PTS and DTS): what the stream facts take as a stream's first PTS,
    // never one left from another packet.
    bool PacketHasPts = false;
    std::uint32_t PacketPts = 0;
    // The format byte of the current packet's LPCM header (bits per
    // sample, sample rate, channels), which the payload leaves out.
    std::uint8_t LpcmFormatByte = 0;
    std::uint32_t VideoPts = 0;       // of the last header with both timestamps
    std::uint32_t VideoDts = 0;
    std::uint32_t FirstAudioPts = 0;  // the pending PTS when the newest audio slot was found
    std::int32_t ChunkLength = 0;     // of the payload chunk being handed out
};

// True when no packet is open: only Window moves and start codes are sought.
inline bool isIdle(const DemuxState& s) {
    return !s.InPayload && s.SkipLeft == 0 && s.LengthBytes == 0 && s.FixedLeft == 0 &&
           s.PtsLeft == 0 && s.PtsDtsLeft == 0 && s.ExtFlagsLeft == 0 && s.PstdLeft == 0 &&
           s.Ext2Left == 0 && s.HeaderLeft == 0 && s.SubstreamLeft == 0 && s.LpcmLeft == 0 &&
           s.MlpLeft == 0;
}

}  // namespace strandex
