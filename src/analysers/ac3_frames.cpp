#include "analysers/ac3_frames.h"

#include <array>

#include "analysers/ac3_syntax.h"
#include "analysers/bit_reader.h"

namespace strandex {

namespace {

// The header bits read here end by byte 7 in either coding.
constexpr std::size_t kHeaderBytes = 8;
// E-AC-3 reduced sample rates by fscod2, when fscod is 3.
constexpr std::array<int, 4> kReducedRates{24000, 22050, 16000, 0};
constexpr std::size_t kAc3RateCodes = 38;  // frmsizecod 38-63 are reserved

bool syncAt(const std::uint8_t* data, std::size_t length, std::size_t at) {
    return at + 2 <= length && ((data[at] << 8) | data[at + 1]) == kAc3SyncWord;
}

// Annex E: strmtyp, substreamid, frmsiz, fscod (fscod2), numblkscod,
// acmod, lfeon, bsid.
void readEac3(BitReader& r, Ac3FrameHeader& h, const Ac3Tables& tables) {
    h.streamType = r.read(2);
    r.skip(3);
    std::uint32_t frmsiz = r.read(11);
    std::uint32_t fscod = r.read(2);
    std::uint32_t blocks = 6;
    if (fscod == 3)
        h.sampleRate = kReducedRates[r.read(2)];
    else {
        h.sampleRate = tables.sampleRates[fscod];
        blocks = EAC3Blocks[r.read(2)];
    }
    h.acmod = r.read(3);
    h.lfe = r.flag();
    h.frameBytes = (frmsiz + 1) * 2;
    // Bits a frame over the time of its blocks' 256 samples each.
    h.bitRate = static_cast<int>(static_cast<std::int64_t>(h.frameBytes) * 8 * h.sampleRate / (256 * blocks));
    h.valid = h.sampleRate != 0 && h.streamType != 3;
}

// A/52: crc1, fscod, frmsizecod, bsid, bsmod, acmod, then the mix levels
// acmod calls for before lfeon.
void readAc3(BitReader& r, Ac3FrameHeader& h, const Ac3Tables& tables) {
    r.skip(16);
    std::uint32_t fscod = r.read(2);
    std::uint32_t frmsizecod = r.read(6);
    r.skip(8);  // bsid, bsmod
    h.acmod = r.read(3);
    if ((h.acmod & 1) != 0 && h.acmod != 1) r.skip(2);  // cmixlev
    if ((h.acmod & 4) != 0) r.skip(2);                  // surmixlev
    if (h.acmod == 2) r.skip(2);                        // dsurmod
    h.lfe = r.flag();
    h.sampleRate = tables.sampleRates[fscod];
    if (h.sampleRate == 0 || frmsizecod >= kAc3RateCodes) return;
    h.bitRate = tables.bitRates[frmsizecod / 2];
    // 16-bit words a frame: bit rate x 1536 samples / rate / 16; at 44.1 kHz
    // the odd codes add the one word the division leaves.
    std::size_t words = static_cast<std::size_t>(h.bitRate) * 96 / static_cast<std::size_t>(h.sampleRate);
    if (h.sampleRate == 44100) words += frmsizecod & 1u;
    h.frameBytes = words * 2;
    h.valid = true;
}

}  // namespace

int Ac3FrameHeader::channels() const { return kAc3ModeChannels[acmod] + (lfe ? 1 : 0); }

Ac3FrameHeader readAc3FrameHeader(const std::uint8_t* data, std::size_t length, const Ac3Tables& tables) {
    Ac3FrameHeader h;
    if (length < kHeaderBytes || !syncAt(data, length, 0)) return h;
    h.bsid = data[5] >> 3;  // at the same place in both codings
    h.eac3 = isEac3Bsid(h.bsid);
    BitReader r(data + 2, kHeaderBytes - 2);
    if (h.eac3)
        readEac3(r, h, tables);
    else
        readAc3(r, h, tables);
    if (r.past()) h.valid = false;
    return h;
}

Ac3Frames scanAc3Frames(const std::uint8_t* data, std::size_t length, const Ac3Tables& tables) {
    Ac3Frames found;
    std::size_t at = 0;
    for (; at + kHeaderBytes <= length; ++at) {
        if (!syncAt(data, length, at)) continue;
        Ac3FrameHeader h = readAc3FrameHeader(data + at, length - at, tables);
        std::size_t next = at + h.frameBytes;
        if (h.valid && (next + 2 > length || syncAt(data, length, next))) break;
    }
    while (at + kHeaderBytes <= length) {
        Ac3FrameHeader h = readAc3FrameHeader(data + at, length - at, tables);
        if (!h.valid) break;
        ++found.headers;
        found.anyEac3 = found.anyEac3 || h.eac3;
        if (!found.first.valid && h.streamType != 1) found.first = h;
        at += h.frameBytes;
    }
    return found;
}

}  // namespace strandex
