// strandex-real-evo-packer IN.ts OUT.EVO: packs the H.264, AC-3 and E-AC-3
// streams of an MPEG transport stream, and an LPCM tone made here, into an
// HD DVD-shaped EVO file of 2048-byte packs:
//
//   - H.264 in PES stream id 0xE2 (video stream 0), PTS and DTS as in the TS,
//     moved so the first picture is shown at 1 s;
//   - AC-3 in private stream 1 substream 0x80 (audio stream 0), 80 ms after
//     the first picture; E-AC-3 in 0xC1 (audio stream 1), 40 ms before it;
//     LPCM 16-bit stereo 48 kHz in 0xA2 (audio stream 2), 1 s of the tone of
//     support/lpcm_tone.h, starting with the first picture;
//   - a navigation pack (system header, presentation and search packets)
//     before the first video pack of every group of pictures, which starts
//     at an IDR picture.
//
// Each stream's elementary stream is cut into PES packets that fill their
// pack, as a program stream muxer does; a packet carries the timestamps of
// the first access unit that starts in it (room for them is kept in every
// header and filled with stuffing when none starts). A group of pictures
// starts a new video packet. Packs are sent in the order in which their
// data is due (DTS for video, PTS for audio), each with an SCR half a second
// earlier. The output depends on nothing but the input.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/lpcm_tone.h"
#include "support/pack_builder.h"
#include "support/ts_reader.h"

namespace {

using namespace strandex::test;

constexpr std::size_t kPackHeaderSize = 14;
constexpr std::int64_t kFirstVideoPts = 90000;   // 1 s
constexpr std::int64_t kAc3Delay = 7200;         // +80 ms
constexpr std::int64_t kEac3Delay = -3600;       // -40 ms
constexpr std::int64_t kLpcmDelay = 0;
constexpr std::size_t kLpcmSampleFrames = 48000;         // 1 s
constexpr std::size_t kLpcmUnitFrames = 80;              // an LPCM audio frame lasts 1/600 s
constexpr std::int64_t kLpcmUnitTicks = 150;
constexpr std::uint8_t kLpcmFormat = 0x01;               // 16 bit, 48 kHz, 2 channels
constexpr std::int64_t kPackTicks = 147;                 // 2048 bytes at the 10.08 Mbit/s mux rate
constexpr std::int64_t kMuxLead = 45000;                 // packs arrive 0.5 s before they are due

enum class Kind { Video, Ac3, Lpcm };

struct AccessUnit {
    std::size_t offset;  // in the track's elementary stream
    std::int64_t pts;
    std::int64_t dts;
    bool idr = false;
};

struct Track {
    Kind kind;
    std::uint8_t substream = 0;  // private stream 1 substream id of an audio track
    Bytes es;
    std::vector<AccessUnit> units;
    std::size_t cursor = 0;  // the first byte not yet packed
    std::size_t navigationDoneAt = SIZE_MAX;
};

bool hasIdrSlice(const Bytes& unit) {
    for (std::size_t k = 0; k + 3 < unit.size(); ++k)
        if (unit[k] == 0 && unit[k + 1] == 0 && unit[k + 2] == 1 && (unit[k + 3] & 0x1F) == 5) return true;
    return false;
}

// The track of the TS stream, its timestamps moved so its first access unit
// is shown at `firstPts`.
Track trackOf(const TsStream& stream, Kind kind, std::uint8_t substream, std::int64_t firstPts) {
    if (stream.packets.empty() || !stream.packets.front().pts) throw std::runtime_error("a stream without timestamps");
    Track t{kind, substream, {}, {}};
    const auto shift = firstPts - static_cast<std::int64_t>(*stream.packets.front().pts);
    for (const auto& pes : stream.packets) {
        if (!pes.pts) throw std::runtime_error("an access unit without PTS");
        auto pts = static_cast<std::int64_t>(*pes.pts) + shift;
        auto dts = static_cast<std::int64_t>(pes.dts.value_or(*pes.pts)) + shift;
        t.units.push_back({t.es.size(), pts, dts, kind == Kind::Video && hasIdrSlice(pes.payload)});
        t.es += pes.payload;
    }
    return t;
}

Track lpcmTrack() {
    Track t{Kind::Lpcm, 0xA2, lpcmTone(kLpcmSampleFrames), {}};
    for (std::size_t n = 0; n * kLpcmUnitFrames < kLpcmSampleFrames; ++n) {
        std::int64_t pts = kFirstVideoPts + kLpcmDelay + static_cast<std::int64_t>(n) * kLpcmUnitTicks;
        t.units.push_back({n * kLpcmUnitFrames * kToneSampleFrameBytes, pts, pts});
    }
    return t;
}

const TsStream& streamOfType(const std::vector<TsStream>& streams, std::uint8_t type) {
    for (const auto& s : streams)
        if (s.streamType == type) return s;
    throw std::runtime_error("the transport stream lacks stream type " + std::to_string(type));
}

// The access unit that holds byte `at`, and the first one that starts at or
// after it.
std::size_t unitHolding(const Track& t, std::size_t at) {
    auto next = std::upper_bound(t.units.begin(), t.units.end(), at,
                                 [](std::size_t a, const AccessUnit& u) { return a < u.offset; });
    return static_cast<std::size_t>(next - t.units.begin()) - 1;
}
std::size_t unitFrom(const Track& t, std::size_t at) {
    auto next = std::lower_bound(t.units.begin(), t.units.end(), at,
                                 [](const AccessUnit& u, std::size_t a) { return u.offset < a; });
    return static_cast<std::size_t>(next - t.units.begin());
}

bool done(const Track& t) { return t.cursor >= t.es.size(); }
std::int64_t due(const Track& t) { return t.units[unitHolding(t, t.cursor)].dts; }

// Where the packet that starts at the cursor has to end: video packets stop
// at the next group of pictures.
std::size_t segmentEnd(const Track& t) {
    if (t.kind != Kind::Video) return t.es.size();
    for (std::size_t k = unitFrom(t, t.cursor + 1); k < t.units.size(); ++k)
        if (t.units[k].idr) return t.units[k].offset;
    return t.es.size();
}

bool navigationDue(const Track& t) {
    if (t.kind != Kind::Video) return false;
    std::size_t k = unitFrom(t, t.cursor);
    return k < t.units.size() && t.units[k].offset == t.cursor && t.units[k].idr && t.navigationDoneAt != t.cursor;
}

void putBe32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (24 - 8 * k));
}

// The navigation pack's packets: the system header (3 audio streams, 1
// video stream), the presentation packet with the group's start and end
// times, and the search packet.
std::vector<Bytes> navigationPackets(const Track& video) {
    std::size_t first = unitFrom(video, video.cursor);
    std::size_t next = first + 1;
    while (next < video.units.size() && !video.units[next].idr) ++next;
    std::int64_t start = video.units[first].pts, end = 0;
    for (std::size_t k = first; k < next; ++k) end = std::max(end, video.units[k].pts + 3754);  // + one frame
    Bytes pci(980, 0);
    putBe32(pci, 13, static_cast<std::uint32_t>(start));
    putBe32(pci, 17, static_cast<std::uint32_t>(end));
    Bytes dsi(1018, 0);
    dsi[0] = 0x01;
    return {systemHeader(3, 1), navigationPacket(pci), navigationPacket(dsi)};
}

// The substream header of an audio packet whose payload is es[from, from + n):
// the id, the number of access units that start in it and the position of
// the first of them, counted from the last byte of the pointer; LPCM then
// adds the number of that unit within its second, the format and the
// dynamic range.
Bytes substreamHeader(const Track& t, std::size_t from, std::size_t n) {
    std::size_t first = unitFrom(t, from), last = unitFrom(t, from + n);
    std::size_t starts = last - first;
    std::size_t extra = t.kind == Kind::Lpcm ? 3 : 0;
    std::size_t pointer = starts == 0 ? 0 : t.units[first].offset - from + 1 + extra;
    Bytes h{t.substream, static_cast<std::uint8_t>(starts), static_cast<std::uint8_t>(pointer >> 8),
            static_cast<std::uint8_t>(pointer)};
    if (t.kind == Kind::Lpcm) h += Bytes{static_cast<std::uint8_t>(first % 20), kLpcmFormat, 0x80};
    return h;
}

// The next packet of the track, filling what a pack leaves after its header.
Bytes nextPacket(Track& t) {
    const bool video = t.kind == Kind::Video;
    const std::size_t timestampBytes = video ? 10 : 5;
    const std::size_t substreamBytes = t.kind == Kind::Ac3 ? 4 : t.kind == Kind::Lpcm ? 7 : 0;
    const std::size_t room = kPackSize - kPackHeaderSize - 9 - timestampBytes - substreamBytes;
    std::size_t n = std::min(segmentEnd(t) - t.cursor, room);
    if (t.kind == Kind::Lpcm) n -= n % kToneSampleFrameBytes;  // whole sample frames only

    Pes pes;
    pes.streamId = video ? 0xE2 : 0xBD;
    std::size_t first = unitFrom(t, t.cursor);
    if (first < t.units.size() && t.units[first].offset < t.cursor + n) {
        pes.pts = static_cast<std::uint64_t>(t.units[first].pts);
        if (video) pes.dts = static_cast<std::uint64_t>(t.units[first].dts);
    } else {
        pes.stuffing = static_cast<int>(timestampBytes);
    }
    // Too little room left for a padding packet: stuffing in the header instead.
    if (room - n > 0 && room - n < 6) pes.stuffing += static_cast<int>(room - n);
    Bytes data(t.es.begin() + static_cast<std::ptrdiff_t>(t.cursor),
               t.es.begin() + static_cast<std::ptrdiff_t>(t.cursor + n));
    pes.payload = video ? data : substreamHeader(t, t.cursor, n) + data;
    t.cursor += n;
    return pesPacket(pes);
}

Bytes packAt(std::int64_t scr, const std::vector<Bytes>& packets) {
    Bytes out = Bytes{0x00, 0x00, 0x01, 0xBA} + packHeader(static_cast<std::uint64_t>(scr));
    for (const auto& p : packets) out += p;
    if (out.size() > kPackSize || (out.size() < kPackSize && kPackSize - out.size() < 6))
        throw std::logic_error("packets do not fill a pack");
    if (out.size() < kPackSize) out += paddingPacket(kPackSize - out.size());
    return out;
}

// Every track's packs, the one due first next; the video track goes first
// of equals.
Bytes interleave(std::vector<Track>& tracks) {
    Bytes out;
    std::int64_t scr = -kPackTicks;
    for (;;) {
        Track* next = nullptr;
        for (auto& t : tracks)
            if (!done(t) && (next == nullptr || due(t) < due(*next))) next = &t;
        if (next == nullptr) return out;
        scr = std::max(due(*next) - kMuxLead, scr + kPackTicks);
        if (navigationDue(*next)) {
            out += packAt(scr, navigationPackets(*next));
            next->navigationDoneAt = next->cursor;
        } else {
            out += packAt(scr, {nextPacket(*next)});
        }
    }
}

void report(const char* name, const Track& t) {
    std::printf("%-7s %4zu access units %7zu bytes, first PTS %lld\n", name, t.units.size(), t.es.size(),
                static_cast<long long>(t.units.front().pts));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s IN.ts OUT.EVO\n", argv[0]);
        return 2;
    }
    try {
        const auto streams = readTransportStream(readFile(argv[1]));
        std::vector<Track> tracks{
            trackOf(streamOfType(streams, 0x1B), Kind::Video, 0, kFirstVideoPts),
            trackOf(streamOfType(streams, 0x81), Kind::Ac3, 0x80, kFirstVideoPts + kAc3Delay),
            trackOf(streamOfType(streams, 0x87), Kind::Ac3, 0xC1, kFirstVideoPts + kEac3Delay),
            lpcmTrack()};
        const char* names[] = {"H.264", "AC-3", "E-AC-3", "LPCM"};
        for (std::size_t k = 0; k < tracks.size(); ++k) report(names[k], tracks[k]);
        Bytes evo = interleave(tracks);
        std::ofstream file(argv[2], std::ios::binary);
        file.write(reinterpret_cast<const char*>(evo.data()), static_cast<std::streamsize>(evo.size()));
        if (!file) throw std::runtime_error(std::string("cannot write ") + argv[2]);
        std::printf("%zu packs\n", evo.size() / kPackSize);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
