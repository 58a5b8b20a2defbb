// The byte step: one byte of a program stream examined against the parser
// state. byteStep, at the end, tests its cases in order; the first that
// applies is done.
#include <algorithm>

#include "engine/engine_run.h"
#include "engine/pes_fields.h"
#include "engine/scrambling.h"
#include "engine/substreams.h"
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

// A recognised start code opens a new packet, dropping whatever was left of
// the previous one's header. Its stream id gives the Kind; MPEG-2 and H.264
// video take their slot at once, VC-1 once its stream id extension is read.
void startCode(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    clearHeaderCounters(s);
    s.InPayload = false;
    s.PtsInPacket = false;
    s.PacketHasPts = false;
    s.Remaining = 0;
    s.LengthBytes = 2;
    const StreamRule& rule = *ruleOf(IdSpace::streamId, b);
    s.Kind = rule.kind;
    if (s.Kind != StreamKind::Video) return;
    s.Codec = rule.codec;
    s.VideoId = -1;  // an extended stream id: known once its extension is read
    if (rule.slotTable == SlotTable::video) {
        s.VideoSlot = slotOf(rule, b);
        s.VideoId = b;
        registerSlot(run, rule, b);
    }
}

// The second byte of PES_packet_length: a skipped packet is passed over
// whole, any other goes on to the three fixed header bytes.
void lengthRead(DemuxState& s) {
    s.LengthBytes = 0;
    s.Remaining = static_cast<std::int32_t>(s.Window & 0xFFFF);
    if (s.Kind == StreamKind::Skipped)
        s.SkipLeft = s.Remaining;
    else
        s.FixedLeft = 3;
}

// After the last timestamp byte: the header ends, or a video packet goes on
// to its PES extension.
void afterTimestamps(EngineRun& run) {
    DemuxState& s = run.state;
    if (s.HeaderLeft == 0)
        endOfHeader(run);
    else if (s.Kind == StreamKind::Video && hasPesExtension(s.Flags2))
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
    if (hasPtsOnly(s.Flags2)) s.PtsLeft = kTimestampBytes;
    if (hasPtsAndDts(s.Flags2)) s.PtsDtsLeft = 2 * kTimestampBytes;
    if (hasExtensionOnly(s.Flags2)) s.ExtFlagsLeft = 1;
    if (s.HeaderLeft != 0) return;
    if (s.PtsLeft || s.PtsDtsLeft || s.ExtFlagsLeft)
        abandonPacket(s);  // the announced fields have no room in the header
    else
        endOfHeader(run);
}

// A byte of the header's timestamps: a PTS alone becomes the pending PTS,
// a PTS with a DTS (ten bytes, the PTS first) the video PTS and DTS.
void timestampsByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    bool ptsOnly = s.PtsLeft != 0;
    std::int32_t& left = ptsOnly ? s.PtsLeft : s.PtsDtsLeft;
    --s.Remaining;
    --s.HeaderLeft;
    --left;
    s.TsAcc = timestampByte(s.TsAcc, left % kTimestampBytes, b);
    if (left % kTimestampBytes != 0) return;
    if (ptsOnly || left != 0) {
        s.PacketPts = s.TsAcc;
        s.PacketHasPts = true;
    }
    if (ptsOnly) {
        s.PendingPts = s.TsAcc;
        s.PtsInPacket = true;
    } else if (left != 0) {
        s.VideoPts = s.TsAcc;
    } else {
        s.VideoDts = s.TsAcc;
    }
    if (left == 0) afterTimestamps(run);
}

void extFlagsByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.HeaderLeft;
    --s.ExtFlagsLeft;
    s.ExtFlags = b;
    if (hasPstdBuffer(b))
        s.PstdLeft = kPstdBytes;
    else if (hasExtension2(b))
        s.Ext2Left = kExtension2Bytes;
    else if (s.HeaderLeft == 0)
        beginPayload(run);
}

void pstdByte(EngineRun& run) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.HeaderLeft;
    if (--s.PstdLeft != 0) return;
    if (hasExtension2(static_cast<std::uint8_t>(s.ExtFlags)))
        s.Ext2Left = kExtension2Bytes;
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

// The first private stream 1 payload byte: a subpicture substream takes
// its slot, and its payload starts at the next byte. A plain subpicture's
// "found!" line comes with the pending PTS, which a scan then takes; in
// write mode it stays for the output's "SP" header.
void subpictureTest(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    const StreamRule* rule = ruleOf(IdSpace::substream, b);
    if (rule == nullptr || rule->slotTable != SlotTable::subpicture) return;
    s.SubSlot = slotOf(*rule, b);
    bool isNew = registerSlot(run, *rule, b);
    if (isNew && rule->firstPtsWhenFound)
        noteShownPts(run.session.facts.sub[static_cast<std::size_t>(s.SubSlot)], s.PendingPts);
    if (rule->firstPtsWhenFound) {
        if (isNew && s.Mode == RunMode::Scan && run.ui.ticked(Box::cbDetails))
            run.ui.log("   First PTS = " + hex8(s.PendingPts));
        if (s.Mode == RunMode::Scan) s.PendingPts = 0;
    }
    s.SubstreamLeft = 0;
    s.InPayload = true;
    bool registered = run.table.SubpictureIds[static_cast<std::size_t>(s.SubSlot)] == b;
    s.Kind = registered ? rule->kind : StreamKind::Ignored;
}

// At the last byte of the common audio header; the substream id q is now
// the oldest byte of Window. An id of no audio row keeps its low four bits
// as the slot, and the coding and id of the last audio recognised stay.
void audioClassification(EngineRun& run) {
    DemuxState& s = run.state;
    int q = static_cast<int>(s.Window >> 24);
    s.AudioSlot = q & 0x0F;
    const StreamRule* rule = ruleOf(IdSpace::substream, q);
    bool recognised = rule != nullptr && rule->slotTable == SlotTable::audio;
    if (recognised) {
        s.AudioSlot = slotOf(*rule, q);
        s.Coding = rule->coding;
        s.AudioId = q;
        if (registerSlot(run, *rule, q)) s.FirstAudioPts = s.PendingPts;
    }
    // Only the substream registered in the slot is taken as its audio; any
    // other id that maps there, or an unknown id, is passed over. LPCM and
    // MLP have header bytes of their own still to come.
    bool registered =
        recognised && run.table.AudioIds[static_cast<std::size_t>(s.AudioSlot)] == q;
    int tail = recognised ? rule->headerBytes - kAudioSubstreamHeader : 0;
    if (!registered) {
        s.Kind = StreamKind::Ignored;
        s.InPayload = true;
    } else if (tail == 0) {
        s.Kind = rule->kind;
        s.InPayload = true;
    } else if (s.Coding == AudioCoding::Lpcm) {
        s.LpcmLeft = static_cast<std::uint8_t>(tail);
    } else {
        s.MlpLeft = tail;
    }
    s.PendingPts = 0;
}

// The substream header: the subpicture test at its first byte, the audio
// classification at its last.
void substreamByte(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    --s.Remaining;
    --s.SubstreamLeft;
    if (s.SubstreamLeft == kAudioSubstreamHeader - 1)
        subpictureTest(run, b);
    else if (s.SubstreamLeft == 0)
        audioClassification(run);
}

// The LPCM or MLP header bytes after the common audio header. Of the three
// LPCM bytes the second holds the format.
void audioHeaderTailByte(DemuxState& s, bool lpcm, std::uint8_t b) {
    --s.Remaining;
    if (lpcm && s.LpcmLeft == 2) s.LpcmFormatByte = b;
    if (lpcm ? --s.LpcmLeft != 0 : --s.MlpLeft != 0) return;
    s.InPayload = true;
    s.Kind = StreamKind::Audio;
}

// The rest of the header data (stuffing, and fields not read).
void headerDataByte(EngineRun& run) {
    DemuxState& s = run.state;
    --s.Remaining;
    if (--s.HeaderLeft == 0) endOfHeader(run);
}

void skipByte(DemuxState& s) {
    --s.Remaining;
    --s.SkipLeft;
}

// Every header byte is a byte of the packet, and those of the PES header
// fields also a byte of the header data: a header counter that wants a
// byte its packet has not got abandons the packet.
bool headerOutOfRoom(const DemuxState& s) {
    bool inPesFields = s.PtsLeft || s.PtsDtsLeft || s.ExtFlagsLeft || s.PstdLeft || s.Ext2Left;
    bool counting = s.FixedLeft || inPesFields || s.HeaderLeft || s.SubstreamLeft || s.LpcmLeft ||
                    s.MlpLeft;
    return counting && (s.Remaining <= 0 || (inPesFields && s.HeaderLeft == 0));
}

// The byte that found no room is the first of those passed over.
void abandonAtByte(DemuxState& s) {
    abandonPacket(s);
    if (s.SkipLeft > 0) skipByte(s);
}

bool isStartCode(std::uint32_t window) {
    return (window >> 8) == 0x000001 && isPacketStreamId(static_cast<std::uint8_t>(window));
}

// The part of the payload that lies in this block goes out whole.
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
        run.state.SubstreamLeft = kAudioSubstreamHeader;
    else
        beginPayload(run);
}

// The low 7 bits of the byte are the stream id extension; it names the
// VC-1 stream and its slot. A packet with any other is ignored.
void streamIdExtension(EngineRun& run, std::uint8_t b) {
    DemuxState& s = run.state;
    int e = b & 0x7F;
    const StreamRule* rule = ruleOf(IdSpace::extension, e);
    if (rule == nullptr) {
        s.Kind = StreamKind::Ignored;
        return;
    }
    s.VideoSlot = slotOf(*rule, e);
    s.VideoId = e;
    registerSlot(run, *rule, e);
    s.Kind = rule->kind;
}

// The payload goes out a chunk at a time; every other case examines one
// byte. The header counters are tested in the order their fields come.
std::size_t byteStep(EngineRun& run, std::size_t i, std::size_t blockLength) {
    DemuxState& s = run.state;
    std::uint8_t b = run.buffer[i];
    s.Window = (s.Window << 8) | b;
    if (s.InPayload) return takeChunk(run, i, blockLength);
    if (s.SkipLeft > 0)
        skipByte(s);
    else if (isStartCode(s.Window))
        startCode(run, b);
    else if (s.LengthBytes == 2)
        s.LengthBytes = 1;
    else if (s.LengthBytes == 1)
        lengthRead(s);
    else if (headerOutOfRoom(s))
        abandonAtByte(s);
    else if (s.FixedLeft)
        fixedHeaderByte(run, b);
    else if (s.PtsLeft || s.PtsDtsLeft)
        timestampsByte(run, b);
    else if (s.ExtFlagsLeft)
        extFlagsByte(run, b);
    else if (s.PstdLeft)
        pstdByte(run);
    else if (s.Ext2Left)
        ext2Byte(run, b);
    else if (s.HeaderLeft)
        headerDataByte(run);
    else if (s.SubstreamLeft)
        substreamByte(run, b);
    else if (s.LpcmLeft || s.MlpLeft)
        audioHeaderTailByte(s, s.LpcmLeft != 0, b);
    // Otherwise no packet is open: the byte only entered Window.
    return i + 1;
}

void examineBlockPlain(EngineRun& run, std::size_t blockLength) {
    for (std::size_t i = 0; i < blockLength;) i = byteStep(run, i, blockLength);
}

}  // namespace strandex
