// Random program streams for the differential tests of the engine's fast
// paths: packs and loose packets of every kind the parser knows, with
// payloads full of start codes, optionally damaged in the ways real files
// and bad rips are.
#pragma once
#include <cstdint>
#include <map>
#include <random>

#include "support/pack_builder.h"

namespace strandex::test {

// A small deterministic die over mt19937 (its output is fixed by the
// standard, so a seed gives the same stream everywhere).
class Dice {
public:
    explicit Dice(std::uint32_t seed) : rng_(seed) {}
    std::uint32_t below(std::uint32_t n) { return n == 0 ? 0 : static_cast<std::uint32_t>(rng_() % n); }
    std::uint32_t between(std::uint32_t lo, std::uint32_t hi) { return lo + below(hi - lo + 1); }
    bool chance(std::uint32_t percent) { return below(100) < percent; }
    std::uint8_t byte() { return static_cast<std::uint8_t>(rng_()); }

private:
    std::mt19937 rng_;
};

// Bytes biased towards start codes: runs of 00, lone 01s, 00 00 01 followed
// by a frame code (00, 09, 0D) or a packet stream id, and random bytes.
Bytes startCodeRichBytes(Dice& dice, std::size_t n);

// A program stream of at least targetSize bytes (a little more, or cut to
// the exact size); a few of its packets have their scrambling bits set.
// Damaged streams also carry wrong and zero packet lengths, short header
// lengths, cut packets, bit flips, garbage, runs of 00 00 01 and start
// codes laid across the 262144-byte block boundaries.
Bytes randomProgramStream(Dice& dice, std::size_t targetSize, bool damaged);

// A well-formed stream in which every payload byte of a stream is that
// stream's tag, so an output file shows at once whose bytes it holds.
// Streams are keyed by the value the engine stores in its slot table
// (video stream id or VC-1 extension, audio or subpicture substream id);
// these values do not overlap between the kinds.
struct TaggedStream {
    Bytes bytes;
    std::map<int, std::size_t> payloadBytes;  // key -> payload bytes carried
    std::map<int, int> firstInVideoSlot, firstInAudioSlot, firstInSubSlot;  // slot -> key
};
TaggedStream taggedProgramStream(Dice& dice, std::size_t targetSize);

// The tag of a stream key: unique per key, never 0x53 ("S" of a subpicture
// header) nor kUnwrittenTag.
std::uint8_t streamTag(int key);
// The payload byte of packets that no output may hold (MPEG audio, padding,
// unknown substreams, VC-1 without a known extension).
inline constexpr std::uint8_t kUnwrittenTag = 0xFF;

}  // namespace strandex::test
