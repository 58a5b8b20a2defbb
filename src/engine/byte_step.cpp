// The byte step: one byte of a program stream examined against the parser
// state. Its cases are tested in this order; the first that applies is done.
#include <algorithm>

#include "engine/engine_run.h"
#include "engine/scrambling.h"
#include "engine/text_format.h"

namespace strandex {

namespace {

void clearHeaderCounters(DemuxState& s) {
    s.FixedLeft = 0;
    s.HeaderLeft = 0;
    s.PtsLeft = 0;
    s.PtsDtsLeft = 0;
    s.ExtFlagsLeft = 0;
    s.PstdLeft = 0;
    s.Ext2Left = 0;
    s.SubstreamLeft = 0;
    s.LpcmLeft = 0;
    s.MlpLeft = 0;
}

// A header that does not fit its packet, or whose header data length is
// shorter than the fields its flags announce: whatever its declared length
// still covers is passed over like a skipped packet.
void abandonPacket(DemuxState& s) {
    clearHeaderCounters(s);
    s.InPayload = false;
    s.SkipLeft = s.Remaining;
    if (s.Remaining > 0) s.Kind = StreamKind::Skipped;
}

// Case 3: a recognised start code opens a new packet, dropping whatever was
// left of the previous one's header.
bool startCode(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    if ((s.Window >> 8) != 0x000001 || !isPacketStreamId(b)) return false;
    clearHeaderCounters(s);
    s.InPayload = false;
    s.PtsInPacket = false;
    s.Remaining = 0;
    s.LengthBytes = 2;
    if (b >= 0xE0 && b <= 0xE3) {
        s.Kind = StreamKind::Video;
        s.Codec = b <= 0xE1 ? VideoCodec::Mpeg2 : VideoCodec::H264;
        s.VideoSlot = b & 1;
        s.VideoId = b;
        registerVideo(run, s.VideoSlot, b);
    } else if (b == 0xFD) {
        s.Kind = StreamKind::Video;
        s.Codec = VideoCodec::Vc1;
        s.VideoId = -1;  // known once the stream id extension is read
    } else if ((b & 0xF0) == 0xC0) {
        s.Kind = StreamKind::MpegAudio;
    } else if (b == 0xBD) {
        s.Kind = StreamKind::PrivateStream1;
    } else {
        s.Kind = StreamKind::Skipped;  // 0xBC stream map, 0xBE padding, 0xBF navigation
    }
    return true;
}

// Case 5: the second byte of PES_packet_length.
void lengthRead(DemuxState& s) {
    s.LengthBytes = 0;
    s.Remaining = static_cast<std::int32_t>(s.Window & 0xFFFF);
    if (s.Kind == StreamKind::Skipped)
        s.SkipLeft = s.Remaining;
    else
        s.FixedLeft = 3;
}

// Builds a 33-bit timestamp's low 32 bits from its five bytes; `left` is the
// count of bytes still to come after b.
void timestampByte(DemuxState& s, int left, std::uint8_t b) {
    switch (left) {
        case 4: s.TsAcc = std::uint32_t(b & 0x06) << 29; break;
        case 3: s.TsAcc |= std::uint32_t(b) << 22; break;
        case 2: s.TsAcc |= std::uint32_t(b & 0xFE) << 14; break;
        case 1: s.TsAcc |= std::uint32_t(b) << 7; break;
        default: s.TsAcc |= std::uint32_t(b & 0xFE) >> 1; break;
    }
}

// After the last timestamp byte: the header ends, or a video packet goes on
// to its PES extension.
void afterTimestamps(EngineRun& run) {
    DemuxState& s = run.state;
    if (s.HeaderLeft == 0)
        endOfHeader(run);
    else if (s.Kind == StreamKind::Video && (s.Flags2 & 0x01))
        s.ExtFlagsLeft = 1;
}

void fixedHeaderByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.FixedLeft;
    if (s.FixedLeft == 2 && isScrambledFlags(b)) run.table.Scrambled = true;
    if (s.FixedLeft == 1) s.Flags2 = b;
    if (s.FixedLeft != 0) return;
    s.HeaderLeft = b;
    if ((s.Flags2 & 0xC0) == 0x80) s.PtsLeft = 5;
    if ((s.Flags2 & 0xC0) == 0xC0) s.PtsDtsLeft = 10;
    if ((s.Flags2 & 0xC1) == 0x01) s.ExtFlagsLeft = 1;
    if (s.HeaderLeft != 0) return;
    if (s.PtsLeft || s.PtsDtsLeft || s.ExtFlagsLeft)
        abandonPacket(s);  // the announced fields have no room in the header
    else
        endOfHeader(run);
}

void ptsByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.HeaderLeft;
    --s.PtsLeft;
    timestampByte(s, s.PtsLeft, b);
    if (s.PtsLeft != 0) return;
    s.PendingPts = s.TsAcc;
    s.PtsInPacket = true;
    afterTimestamps(run);
}

void ptsDtsByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.HeaderLeft;
    --s.PtsDtsLeft;
    timestampByte(s, s.PtsDtsLeft >= 5 ? s.PtsDtsLeft - 5 : s.PtsDtsLeft, b);
    if (s.PtsDtsLeft == 5) s.VideoPts = s.TsAcc;
    if (s.PtsDtsLeft != 0) return;
    s.VideoDts = s.TsAcc;
    afterTimestamps(run);
}

void extFlagsByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.HeaderLeft;
    --s.ExtFlagsLeft;
    s.ExtFlags = b;
    if (b & 0x10)  // P-STD_buffer_flag
        s.PstdLeft = 2;
    else if (b & 0x01)  // PES_extension_flag_2
        s.Ext2Left = 2;
    else if (s.HeaderLeft == 0)
        beginPayload(run);
}

void pstdByte(EngineRun& run) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.HeaderLeft;
    if (--s.PstdLeft != 0) return;
    if (s.ExtFlags & 0x01)
        s.Ext2Left = 2;
    else if (s.HeaderLeft == 0)
        beginPayload(run);
}

// The second extension-2 byte holds the stream id extension.
void ext2Byte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.HeaderLeft;
    if (--s.Ext2Left != 0) return;
    streamIdExtension(run, b);
    if (s.HeaderLeft == 0) beginPayload(run);
}

// First private stream 1 payload byte: 0x20-0x3F are subpictures, 0x60-0x7F
// extended subpictures, both in slot (id AND 0x1F). Their payload starts at
// the next byte.
void subpictureTest(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    bool isSub = false;
    if ((b & 0xE0) == 0x20) {
        s.SubSlot = b & 0x1F;
        bool isNew = registerSubpicture(run, s.SubSlot, b);
        if (isNew && s.Mode == 0 && run.ui.ticked(Box::cbDetails))
            run.ui.log("   First PTS = " + hex8(s.PendingPts));
        if (s.Mode == 0) s.PendingPts = 0;
        isSub = true;
    }
    if ((b & 0xE0) == 0x60) {
        s.SubSlot = b & 0x1F;
        registerSubpicture(run, s.SubSlot, b);
        isSub = true;
    }
    if (!isSub) return;
    s.SubstreamLeft = 0;
    s.InPayload = true;
    bool registered = run.table.SubpictureIds[static_cast<std::size_t>(s.SubSlot)] == b;
    s.Kind = registered ? StreamKind::Subpicture : StreamKind::Ignored;
}

// At the fourth private stream 1 payload byte; the substream id q is now the
// oldest byte of Window. DD, DD+ and DTS-HD carry 4 header bytes before
// their payload, MLP 5 and LPCM 7.
void audioClassification(EngineRun& run) {
    DemuxState& s = run.state;
    int q = static_cast<int>(s.Window >> 24);
    s.AudioSlot = q & 0x0F;
    bool recognised = true;
    if ((q & 0xF8) == 0x80) {
        s.AudioSlot = q & 7;
        s.Coding = AudioCoding::DD;
    } else if ((q & 0xF8) == 0x88) {
        s.AudioSlot = q & 7;
        s.Coding = AudioCoding::DtsHd;
    } else if ((q & 0xF0) == 0xC0) {
        s.Coding = AudioCoding::DDPlus;
    } else if ((q & 0xF8) == 0xA0) {
        s.Coding = AudioCoding::Lpcm;
    } else if ((q & 0xF8) == 0xB0) {
        s.AudioSlot = q & 7;
        s.Coding = AudioCoding::Mlp;
    } else {
        recognised = false;
    }
    if (recognised) {
        s.AudioId = q;
        if (registerAudio(run, s.AudioSlot, q)) s.FirstAudioPts = s.PendingPts;
    }
    // Only the substream registered in the slot is taken as its audio; any
    // other id that maps there, or an unknown id, is passed over.
    bool registered =
        recognised && run.table.AudioIds[static_cast<std::size_t>(s.AudioSlot)] == q;
    if (!registered) {
        s.Kind = StreamKind::Ignored;
        s.InPayload = true;
    } else if (s.Coding == AudioCoding::Mlp) {
        s.MlpLeft = 1;
    } else if (s.Coding == AudioCoding::Lpcm) {
        s.LpcmLeft = 3;
    } else {
        s.Kind = StreamKind::Audio;
        s.InPayload = true;
    }
    s.PendingPts = 0;
}

void substreamByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.SubstreamLeft;
    if (s.SubstreamLeft == 3)
        subpictureTest(run, b);
    else if (s.SubstreamLeft == 0)
        audioClassification(run);
}

void audioHeaderTailByte(DemuxState& s, bool lpcm) {
    --s.Remaining;
    if (lpcm ? --s.LpcmLeft != 0 : --s.MlpLeft != 0) return;
    s.InPayload = true;
    s.Kind = StreamKind::Audio;
}

// Cases 6 to 15: the header counters, in their order. Every one of them
// consumes a byte of the packet, and those of the PES header also a byte of
// the header data; a packet without that byte to give is abandoned.
void headerByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    bool inPesHeader = s.PtsLeft || s.PtsDtsLeft || s.ExtFlagsLeft || s.PstdLeft ||
                       s.Ext2Left;
    bool active = s.FixedLeft || inPesHeader || s.HeaderLeft || s.SubstreamLeft ||
                  s.LpcmLeft || s.MlpLeft;
    if (!active) return;
    if (s.Remaining <= 0 || (inPesHeader && s.HeaderLeft == 0)) {
        abandonPacket(s);
        if (s.SkipLeft > 0) {
            --s.Remaining;
            --s.SkipLeft;
        }
        return;
    }
    if (s.FixedLeft) return fixedHeaderByte(run, b);
    if (s.PtsLeft) return ptsByte(run, b);
    if (s.PtsDtsLeft) return ptsDtsByte(run, b);
    if (s.ExtFlagsLeft) return extFlagsByte(run, b);
    if (s.PstdLeft) return pstdByte(run);
    if (s.Ext2Left) return ext2Byte(run, b);
    if (s.HeaderLeft) {
        --s.Remaining;
        if (--s.HeaderLeft == 0) endOfHeader(run);
        return;
    }
    if (s.SubstreamLeft) return substreamByte(run, b);
    audioHeaderTailByte(s, s.LpcmLeft != 0);
}

// Case 1: the part of the payload that lies in this block goes out whole.
std::size_t takeChunk(EngineRun& run, std::size_t i, std::size_t blockLength) {
    DemuxState& s = run.state;
    std::size_t length = std::min(static_cast<std::size_t>(s.Remaining), blockLength - i);
    s.ChunkLength = static_cast<std::int32_t>(length);
    switch (s.Kind) {
        case StreamKind::Video:
        case StreamKind::Audio:
        case StreamKind::MpegAudio:
        case StreamKind::Subpicture: dispatchChunk(run, i, length); break;
        default: break;
    }
    s.Remaining -= static_cast<std::int32_t>(length);
    if (s.Remaining == 0) s.InPayload = false;
    return i + length;
}

}  // namespace

// The payload starts. A video packet whose identifying byte is not the one
// registered in its slot (another codec sharing the slot, or a VC-1 packet
// without a stream id extension) is not counted, detailed or written.
void beginPayload(EngineRun& run) {
    DemuxState& s = run.state;
    s.InPayload = true;
    if (s.Kind != StreamKind::Video) return;
    if (s.VideoId < 0 || s.VideoSlot < 0 ||
        run.table.VideoIds[static_cast<std::size_t>(s.VideoSlot)] != s.VideoId)
        s.Kind = StreamKind::Ignored;
}

void endOfHeader(EngineRun& run) {
    if (run.state.Kind == StreamKind::PrivateStream1)
        run.state.SubstreamLeft = 4;
    else
        beginPayload(run);
}

// The stream id extension names the VC-1 stream: 0x55 is video slot 0,
// 0x56 slot 1; a packet with any other is ignored.
void streamIdExtension(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    int e = b & 0x7F;
    if (e == 0x55 || e == 0x56) {
        s.VideoSlot = e - 0x55;
        s.VideoId = e;
        registerVideo(run, s.VideoSlot, e);
        s.Kind = StreamKind::Video;
    } else {
        s.Kind = StreamKind::Ignored;
    }
}

std::size_t byteStep(EngineRun& run, std::size_t i, std::size_t blockLength) {
    DemuxState& s = run.state;
    std::uint8_t b = run.buffer[i];
    s.Window = (s.Window << 8) | b;
    if (s.InPayload) return takeChunk(run, i, blockLength);
    if (s.SkipLeft > 0) {
        --s.Remaining;
        --s.SkipLeft;
        return i + 1;
    }
    if (startCode(run, b)) return i + 1;
    if (s.LengthBytes == 2)
        s.LengthBytes = 1;
    else if (s.LengthBytes == 1)
        lengthRead(s);
    else
        headerByte(run, b);
    return i + 1;
}

void examineBlockPlain(EngineRun& run, std::size_t blockLength) {
    for (std::size_t i = 0; i < blockLength;) i = byteStep(run, i, blockLength);
}

}  // namespace strandex
