#include "engine/vobsub_packs.h"

#include <algorithm>

namespace strandex {

namespace {

constexpr std::size_t kPackHeaderSize = 14;
constexpr std::size_t kPesFixedSize = 9;   // start code, stream id, length, two flags bytes, header length
constexpr std::size_t kPtsSize = 5;
constexpr std::size_t kPaddingHeaderSize = 6;
constexpr std::uint8_t kPrivateStream1 = 0xBD;
constexpr std::uint8_t kPaddingStream = 0xBE;

void put(std::vector<std::uint8_t>& b, std::initializer_list<std::uint8_t> bytes) { b.insert(b.end(), bytes); }

// An MPEG-2 pack header whose SCR is the unit's PTS and whose mux rate is
// a DVD's 10.08 Mbit/s.
void packHeader(std::vector<std::uint8_t>& b, std::uint32_t scr) {
    std::uint64_t s = scr;
    put(b, {0x00, 0x00, 0x01, 0xBA,
            static_cast<std::uint8_t>(0x44 | ((s >> 27) & 0x38) | ((s >> 28) & 0x03)),
            static_cast<std::uint8_t>(s >> 20),
            static_cast<std::uint8_t>(((s >> 12) & 0xF8) | 0x04 | ((s >> 13) & 0x03)),
            static_cast<std::uint8_t>(s >> 5),
            static_cast<std::uint8_t>(((s << 3) & 0xF8) | 0x04),
            0x01, 0x01, 0x89, 0xC3, 0xF8});
}

void ptsBytes(std::vector<std::uint8_t>& b, std::uint32_t pts) {
    std::uint64_t t = pts;
    put(b, {static_cast<std::uint8_t>(0x21 | ((t >> 29) & 0x0E)), static_cast<std::uint8_t>(t >> 22),
            static_cast<std::uint8_t>(((t >> 14) & 0xFE) | 0x01), static_cast<std::uint8_t>(t >> 7),
            static_cast<std::uint8_t>(((t << 1) & 0xFE) | 0x01)});
}

// One pack of `take` unit bytes; a gap under a padding packet's size goes
// into the PES header as stuffing, a larger one into a padding packet.
void onePack(std::vector<std::uint8_t>& b, const std::uint8_t* data, std::size_t take, bool withPts,
             std::uint32_t pts, std::uint8_t substream) {
    std::size_t used = kPackHeaderSize + kPesFixedSize + (withPts ? kPtsSize : 0) + 1 + take;
    std::size_t gap = kVobSubPackSize - used;
    std::size_t stuffing = gap < kPaddingHeaderSize ? gap : 0;
    std::size_t headerData = (withPts ? kPtsSize : 0) + stuffing;
    std::size_t pesLength = 3 + headerData + 1 + take;
    packHeader(b, pts);
    put(b, {0x00, 0x00, 0x01, kPrivateStream1, static_cast<std::uint8_t>(pesLength >> 8),
            static_cast<std::uint8_t>(pesLength), 0x81, static_cast<std::uint8_t>(withPts ? 0x80 : 0x00),
            static_cast<std::uint8_t>(headerData)});
    if (withPts) ptsBytes(b, pts);
    b.insert(b.end(), stuffing, 0xFF);
    b.push_back(substream);
    b.insert(b.end(), data, data + take);
    gap -= stuffing;
    if (gap == 0) return;
    std::size_t padLength = gap - kPaddingHeaderSize;
    put(b, {0x00, 0x00, 0x01, kPaddingStream, static_cast<std::uint8_t>(padLength >> 8),
            static_cast<std::uint8_t>(padLength)});
    b.insert(b.end(), padLength, 0xFF);
}

}  // namespace

void appendVobSubPacks(std::vector<std::uint8_t>& packs, const std::uint8_t* unit, std::size_t n,
                       std::uint32_t pts, std::uint8_t substream) {
    std::size_t done = 0;
    bool first = true;
    do {
        std::size_t room = kVobSubPackSize - kPackHeaderSize - kPesFixedSize - (first ? kPtsSize : 0) - 1;
        std::size_t take = std::min(room, n - done);
        onePack(packs, unit + done, take, first, pts, substream);
        done += take;
        first = false;
    } while (done < n);
}

}  // namespace strandex
