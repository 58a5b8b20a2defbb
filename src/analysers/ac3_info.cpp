// The header of the first AC-3 or E-AC-3 sync frame in a Dolby Digital Plus
// slot's first chunk. The fields are read byte by byte after the sync word
// 0x0B77 with a countdown; at header byte 6 the bsid tells the two codings
// apart and the header is reported.
#include <array>
#include <string>

#include "analysers/ac3_syntax.h"
#include "analysers/analysers.h"

namespace strandex {

namespace {

constexpr int kHeaderBytes = 5;  // bytes 2 to 6 after the sync word

struct Ac3Header {
    std::uint32_t window = 0;
    int countdown = 0;
    bool found = false;
    std::uint32_t frameSizeCode = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitRate = 0;
    std::uint32_t blocks = 0;
    std::uint32_t channelMode = 0;
    std::uint32_t lfe = 0;
    std::uint32_t bsid = 0;
    std::uint32_t bsmod = 0;
};

// The table holds 19 bit rates; frmsizecod 38-63 lies beyond it and reads
// as 0, which rejects an AC-3 header.
std::uint32_t ac3BitRate(const Ac3Tables& tables, std::uint32_t index) {
    if (index >= tables.bitRates.size()) return 0;
    return static_cast<std::uint32_t>(tables.bitRates[index]);
}

// Byte 4 carries the fields of both codings; bsid decides which count.
void readByte4(Ac3Header& h, std::uint8_t b, const Ac3Tables& tables) {
    h.sampleRate = static_cast<std::uint32_t>(tables.sampleRates[b >> 6]);
    h.bitRate = ac3BitRate(tables, (b & 0x3Fu) >> 1);
    h.blocks = EAC3Blocks[(b >> 4) & 3u];
    h.channelMode = (b >> 1) & 7u;
    h.lfe = b & 1u;
}

void reportEac3(Ac3Header& h, int slot, LineSink& out) {
    if (h.sampleRate == 0)
        h.found = false;  // reserved fscod: the search goes on
    else  // the rate of the frames at 48 kHz; 750 divides by 1, 2, 3 and 6
        h.bitRate = (750 / h.blocks) * (h.frameSizeCode + 1) * 4;
    out.line("   Stream " + std::to_string(slot) + " is Dolby Digital Plus");
    out.line("   frame size = " + std::to_string((h.frameSizeCode + 1) * 2) +
             ", number of blocks per frame = " + std::to_string(h.blocks));
    out.line("   bitrate = " + std::to_string(h.bitRate) +
             ", sampling rate = " + std::to_string(h.sampleRate));
    out.line("   mode = " + std::string(ChannelModeNames[h.channelMode]) +
             ", bsid = " + std::to_string(h.bsid) + ", lfe on =" + std::to_string(h.lfe));
}

void reportAc3(Ac3Header& h, std::uint8_t byte6, int slot, LineSink& out) {
    h.channelMode = byte6 >> 5;  // AC-3 keeps acmod in byte 6
    if (h.sampleRate == 0 || h.bitRate == 0) h.found = false;
    out.line("   Stream " + std::to_string(slot) + " is Dolby Digital");
    out.line("   bitrate = " + std::to_string(h.bitRate) +
             ", sampling rate = " + std::to_string(h.sampleRate));
    out.line("   mode = " + std::string(ChannelModeNames[h.channelMode]) +
             ", bsid = " + std::to_string(h.bsid) + ", bsmod =" + std::to_string(h.bsmod));
}

// One header byte; the countdown has already been decreased to its value.
void readHeaderByte(Ac3Header& h, std::uint8_t b, int slot, const Ac3Tables& tables,
                    LineSink& out) {
    switch (h.countdown) {
        case 4: h.frameSizeCode = (b & 7u) << 8; break;
        case 3: h.frameSizeCode |= b; break;
        case 2: readByte4(h, b, tables); break;
        case 1:
            h.bsid = b >> 3;
            h.bsmod = b & 7u;
            break;
        case 0:
            if (isEac3Bsid(h.bsid))
                reportEac3(h, slot, out);
            else
                reportAc3(h, b, slot, out);
            break;
    }
}

}  // namespace

void AC3info(const std::uint8_t* data, std::size_t length, int slot, const Ac3Tables& tables,
             LineSink& out) {
    Ac3Header h;
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t b = data[i];
        h.window = (h.window << 8) | b;
        if ((h.window & 0xFFFFu) == kAc3SyncWord) {
            // A sync word inside a header is not a header byte: the fields
            // after it shift by one byte.
            if (!h.found) {
                h.countdown = kHeaderBytes;
                h.found = true;
            }
        } else if (h.countdown > 0) {
            --h.countdown;
            readHeaderByte(h, b, slot, tables, out);
            // An accepted header is the only report: later sync words are
            // ignored while it stands.
            if (h.countdown == 0 && h.found) return;
        }
    }
}

}  // namespace strandex
