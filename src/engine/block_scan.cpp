// The fast walk over a block: equal in every effect to the plain byte step,
// but idle stretches are searched for the next start code with memchr and
// skipped packets are passed over by count. Everything else goes through the
// byte step itself.
#include <algorithm>
#include <cstring>

#include "engine/engine_run.h"

namespace strandex {

namespace {

// Idle: only Window moves until a recognised start code completes; the byte
// that completes one goes through the byte step. Returns the index after
// it, or the block length when none does.
std::size_t scanIdle(EngineRun& run, std::size_t i, std::size_t blockLength) {
    const std::uint8_t* b = run.buffer;
    // The first three bytes may complete a start code begun before them.
    std::uint32_t w = run.state.Window;
    std::size_t head = std::min(blockLength, i + 3);
    for (std::size_t k = i; k < head; ++k) {
        w = (w << 8) | b[k];
        if ((w >> 8) == 0x000001 && isPacketStreamId(b[k])) {
            run.state.Window = windowAfter(run.state.Window, b + i, k - i);
            return byteStep(run, k, blockLength);
        }
    }
    run.state.Window = w;
    i = head;
    if (i >= blockLength) return blockLength;
    // From here a start code lies wholly in the block: 00 00 01 at p-2..p
    // and the stream id at p+1, with p >= i-1.
    std::size_t p = i - 1;
    while (p + 1 < blockLength) {
        const void* hit = std::memchr(b + p, 0x01, blockLength - 1 - p);
        if (hit == nullptr) break;
        p = static_cast<std::size_t>(static_cast<const std::uint8_t*>(hit) - b);
        if (b[p - 1] == 0 && b[p - 2] == 0 && isPacketStreamId(b[p + 1])) {
            run.state.Window = windowAfter(run.state.Window, b + i, p + 1 - i);
            return byteStep(run, p + 1, blockLength);
        }
        ++p;
    }
    run.state.Window = windowAfter(run.state.Window, b + i, blockLength - i);
    return blockLength;
}

std::size_t skipBulk(EngineRun& run, std::size_t i, std::size_t blockLength) {
    DemuxState& s = run.state;
    std::size_t n = std::min(static_cast<std::size_t>(s.SkipLeft), blockLength - i);
    s.Window = windowAfter(s.Window, run.buffer + i, n);
    s.Remaining -= static_cast<std::int32_t>(n);
    s.SkipLeft -= static_cast<std::int32_t>(n);
    return i + n;
}

std::size_t headerOrStep(EngineRun& run, std::size_t i, std::size_t blockLength) {
    std::size_t next = readPesHeaderFast(run, i, blockLength);
    return next != 0 ? next : byteStep(run, i, blockLength);
}

}  // namespace

void examineBlock(EngineRun& run, std::size_t blockLength) {
    if (run.session.plainByteStep) return examineBlockPlain(run, blockLength);
    std::size_t i = 0;
    while (i < blockLength) {
        const DemuxState& s = run.state;
        if (s.InPayload)
            i = byteStep(run, i, blockLength);
        else if (s.SkipLeft > 0)
            i = skipBulk(run, i, blockLength);
        else if (s.LengthBytes == 2)  // only a start code sets it: nothing else is open
            i = headerOrStep(run, i, blockLength);
        else if (isIdle(s))
            i = scanIdle(run, i, blockLength);
        else
            i = byteStep(run, i, blockLength);
    }
}

}  // namespace strandex
