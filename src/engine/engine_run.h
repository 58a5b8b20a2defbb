// The context of one engine run, shared by the byte step, the registering
// of slots and the payload dispatch.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/demux_state.h"
#include "engine/session.h"
#include "engine/stream_facts.h"
#include "engine/substreams.h"

namespace strandex {

struct EngineRun {
    Session& session;
    StreamTable& table;
    FrontEnd& ui;
    const std::uint8_t* buffer;  // the block: the table's ReadBuffer, or a view into the mapped source
    DemuxState state;
    // The block's bytes stay where they are for the rest of the run, so a
    // chunk is appended to its output as shared bytes, not copied.
    bool sharedBytes = false;
};

// The rule of the parser: examines the byte at i and returns the index of
// the next byte to examine (past a whole payload chunk after handing it out,
// or i itself after an empty chunk).
std::size_t byteStep(EngineRun& run, std::size_t i, std::size_t blockLength);

// The end of a PES header: private stream 1 goes on to its substream
// header, any other packet to its payload.
void endOfHeader(EngineRun& run);
void beginPayload(EngineRun& run);
// The stream id extension of a PES extension-2 field (VC-1 on HD DVD).
void streamIdExtension(EngineRun& run, std::uint8_t b);

// Reads the length and the whole PES header that follow a start code at i
// in one go, when they lie in the block and have the usual shape; returns
// the index after them, or 0 (nothing changed) to leave them to the byte
// step.
std::size_t readPesHeaderFast(EngineRun& run, std::size_t i, std::size_t blockLength);

// Examines a whole block. Equal in every effect to byteStep applied from 0
// while i < blockLength, but passes over idle bytes and skipped packets in
// bulk.
void examineBlock(EngineRun& run, std::size_t blockLength);
void examineBlockPlain(EngineRun& run, std::size_t blockLength);

// Window after bytes data[0..n) have entered it, one at a time.
inline std::uint32_t windowAfter(std::uint32_t window, const std::uint8_t* data, std::size_t n) {
    if (n >= 4)
        return (std::uint32_t{data[n - 4]} << 24) | (std::uint32_t{data[n - 3]} << 16) |
               (std::uint32_t{data[n - 2]} << 8) | data[n - 1];
    for (std::size_t k = 0; k < n; ++k) window = (window << 8) | data[k];
    return window;
}

// Registering a value of the row (one that has slots): stores it in its
// slot when that is empty and, in scan mode, logs the row's "found!" line.
// Returns true when the slot was empty.
bool registerSlot(EngineRun& run, const StreamRule& rule, int value);

// The stream facts of the chunk's stream: met, its id, its first PTS, and
// on its first chunk what the bytes tell of its coding.
void noteChunk(EngineRun& run, std::size_t start, std::size_t length);
// The "First PTS" a scan logs for a stream, the first time it is known.
void noteShownPts(SlotFacts& facts, std::uint32_t pts);

// Payload dispatch of one chunk (start index in the buffer, length).
void dispatchChunk(EngineRun& run, std::size_t start, std::size_t length);

// Counts the codec's frame start codes in a chunk into the slot's count.
// The slot's window carries on from its previous chunk, so the count is
// that of the slot's chunks taken as one stream.
void CountFrames(EngineRun& run, std::size_t start, std::size_t length, int slot);
// The frame codes of a chunk that follows the bytes in `window` (the
// stream's last four bytes before it, newest lowest, or kNoFrameWindow at
// its start); leaves in `window` the last four bytes after the chunk.
std::int32_t countFrameCodes(const std::uint8_t* data, std::size_t length, VideoCodec codec,
                             std::uint32_t& window);
std::int32_t countFrameCodesPlain(const std::uint8_t* data, std::size_t length, VideoCodec codec,
                                  std::uint32_t& window);

// The vector instructions the counter may use: the widest this processor
// has, or narrower ones (so each can be tested against the plain count).
enum class VectorWidth { Plain, Sse2, Avx2, Avx512 };
VectorWidth widestVectors();
std::int32_t countFrameCodesWith(const std::uint8_t* data, std::size_t length, VideoCodec codec,
                                 VectorWidth widest, std::uint32_t& window);

}  // namespace strandex
