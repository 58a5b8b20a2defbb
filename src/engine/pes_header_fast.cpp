// A PES header read in one go, right after its start code, when the whole
// header lies in the block and has the usual shape. It leaves the parser
// state exactly as the byte step would after the same bytes; any other
// header (cut by the block end, too short for its fields, holding a start
// code) is left to the byte step.
#include "engine/engine_run.h"
#include "engine/pes_fields.h"
#include "engine/scrambling.h"

namespace strandex {

namespace {

// The low 32 bits of the 33-bit timestamp at p.
std::uint32_t timestampAt(const std::uint8_t* p) {
    std::uint32_t acc = 0;
    for (int k = 0; k < kTimestampBytes; ++k) acc = timestampByte(acc, kTimestampBytes - 1 - k, p[k]);
    return acc;
}

// A recognised start code completing at any of [from, end) would open a
// new packet in the middle of this one.
bool holdsStartCode(const std::uint8_t* b, std::size_t from, std::size_t end) {
    for (std::size_t k = from; k < end; ++k)
        if (b[k - 1] == 0x01 && b[k - 2] == 0 && b[k - 3] == 0 && isPacketStreamId(b[k])) return true;
    return false;
}

// Where the header data is read from, and how much of it is left.
struct HeaderCursor {
    const std::uint8_t* at;
    std::size_t left;
    bool take(std::size_t n) {
        if (left < n) return false;
        at += n;
        left -= n;
        return true;
    }
};

enum class HeaderEnd { Stuffing, Payload, Refused };

// The PES extension: flags, then a P-STD buffer field and an extension-2
// field as the flags say. Ends in the payload at once when the header has
// no bytes left, as the byte step does.
HeaderEnd extension(EngineRun& run, HeaderCursor& c) {
    DemuxState& s = run.state;
    const std::uint8_t* flags = c.at;
    if (!c.take(1)) return HeaderEnd::Refused;
    s.ExtFlags = *flags;
    bool pstd = hasPstdBuffer(*flags);
    bool ext2 = hasExtension2(*flags);
    if (pstd && !c.take(kPstdBytes)) return HeaderEnd::Refused;
    if (ext2) {
        const std::uint8_t* field = c.at;
        if (!c.take(kExtension2Bytes)) return HeaderEnd::Refused;
        streamIdExtension(run, field[1]);
    }
    return c.left == 0 ? HeaderEnd::Payload : HeaderEnd::Stuffing;
}

HeaderEnd headerFields(EngineRun& run, HeaderCursor& c, std::uint8_t flags2) {
    DemuxState& s = run.state;
    bool both = hasPtsAndDts(flags2);
    if (hasPtsOnly(flags2) || both) {
        const std::uint8_t* pts = c.at;
        if (!c.take(both ? 2 * kTimestampBytes : kTimestampBytes)) return HeaderEnd::Refused;
        s.PacketPts = timestampAt(pts);
        s.PacketHasPts = true;
        if (!both) {
            s.TsAcc = s.PendingPts = timestampAt(pts);
            s.PtsInPacket = true;
        } else {
            s.VideoPts = timestampAt(pts);
            s.TsAcc = s.VideoDts = timestampAt(pts + kTimestampBytes);
        }
        if (c.left == 0) return HeaderEnd::Stuffing;  // the header ends with the timestamps
        if (s.Kind == StreamKind::Video && hasPesExtension(flags2)) return extension(run, c);
        return HeaderEnd::Stuffing;
    }
    if (hasExtensionOnly(flags2)) return c.left == 0 ? HeaderEnd::Refused : extension(run, c);
    return HeaderEnd::Stuffing;
}

}  // namespace

std::size_t readPesHeaderFast(EngineRun& run, std::size_t i, std::size_t blockLength) {
    DemuxState& s = run.state;
    const std::uint8_t* b = run.buffer;
    if (s.Kind == StreamKind::Skipped) {
        if (i + 2 > blockLength) return 0;
        s.Window = windowAfter(s.Window, b + i, 2);
        s.LengthBytes = 0;
        s.Remaining = s.SkipLeft = (b[i] << 8) | b[i + 1];
        return i + 2;
    }
    if (i + 5 > blockLength) return 0;
    int length = (b[i] << 8) | b[i + 1];
    std::uint8_t flags2 = b[i + 3];
    std::size_t headerLength = b[i + 4];
    std::size_t end = i + 5 + headerLength;
    if (end > blockLength || length < 3 + static_cast<int>(headerLength)) return 0;
    if (holdsStartCode(b, i + 3, end)) return 0;
    DemuxState before = s;
    HeaderCursor cursor{b + i + 5, headerLength};
    HeaderEnd how = headerFields(run, cursor, flags2);
    if (how == HeaderEnd::Refused) {
        s = before;  // nothing was logged or registered: refusal comes first
        return 0;
    }
    if (isScrambledFlags(b[i + 2])) run.table.Scrambled = true;
    s.Window = windowAfter(s.Window, b + i, end - i);
    s.LengthBytes = 0;
    s.Flags2 = flags2;
    s.HeaderLeft = 0;
    s.Remaining = length - 3 - static_cast<int>(headerLength);
    if (how == HeaderEnd::Payload)
        beginPayload(run);
    else
        endOfHeader(run);
    return end;
}

}  // namespace strandex
