#include "support/payload_slices.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <unordered_set>

#include "support/subpicture_header.h"

namespace strandex::test {

namespace {

// One packet as its header fields describe it, if it carries a payload
// some output may hold.
struct Packet {
    std::size_t at;     // its stream id byte
    OutputKind kind;
    int slot;
    int id;             // the identifying byte its slot must hold
    std::size_t from;   // payload, [from, to) of the source
    std::size_t to;
    std::optional<std::uint32_t> headerPts;  // the PTS of an "SP" header
};

std::uint32_t timestampAt(const std::uint8_t* p) {
    return (std::uint32_t(p[0] & 0x06) << 29) | (std::uint32_t(p[1]) << 22) |
           (std::uint32_t(p[2] & 0xFE) << 14) | (std::uint32_t(p[3]) << 7) | (std::uint32_t(p[4]) >> 1);
}

bool isVideoId(std::uint8_t id) { return (id >= 0xE0 && id <= 0xE3) || id == 0xFD; }

// The private stream 1 substream at `q`: slot, kind and the header bytes
// before its data; nullopt for a substream no output holds.
struct Substream {
    OutputKind kind;
    int slot;
    std::size_t headerBytes;
};
std::optional<Substream> substream(std::uint8_t q) {
    if ((q & 0xE0) == 0x20 || (q & 0xE0) == 0x60) return Substream{OutputKind::Subpicture, q & 0x1F, 1};
    if ((q & 0xF0) == 0x80) return Substream{OutputKind::Audio, q & 7, 4};  // DD, DTS-HD
    if ((q & 0xF0) == 0xC0) return Substream{OutputKind::Audio, q & 0x0F, 4};  // DD+
    if ((q & 0xF8) == 0xA0) return Substream{OutputKind::Audio, q & 0x0F, 7};  // LPCM
    if ((q & 0xF8) == 0xB0) return Substream{OutputKind::Audio, q & 7, 5};  // MLP
    return std::nullopt;
}

// The packet whose stream id is at x, read from its MPEG-2 PES header:
// length, flags, header data length, PTS and DTS, then the PES extension
// (flags, P-STD buffer field, extension-2 field with the stream id
// extension) as far as the header data length covers it.
std::optional<Packet> packetAt(const std::uint8_t* b, std::size_t n, std::size_t x) {
    std::uint8_t streamId = b[x];
    bool video = isVideoId(streamId);
    if (!video && streamId != 0xBD && (streamId & 0xF0) != 0xC0) return std::nullopt;
    if (x + 5 >= n) return std::nullopt;
    std::size_t end = x + 3 + ((std::size_t{b[x + 1]} << 8) | b[x + 2]);
    std::uint8_t flags2 = b[x + 4];
    std::size_t headerEnd = x + 6 + b[x + 5];
    if (headerEnd > end || headerEnd >= n) return std::nullopt;
    std::size_t timestamps = (flags2 & 0xC0) == 0x80 ? 5 : (flags2 & 0xC0) == 0xC0 ? 10 : 0;
    std::size_t pos = x + 6;
    if (pos + timestamps > headerEnd) return std::nullopt;
    bool extension = timestamps ? video && (flags2 & 0x01) && pos + timestamps < headerEnd
                                : (flags2 & 0xC1) == 0x01;
    std::optional<std::uint32_t> pts;
    if (timestamps == 5) pts = timestampAt(b + pos);
    pos += timestamps;

    enum { Video, Private, Nothing } what = video ? Video : streamId == 0xBD ? Private : Nothing;
    int videoId = streamId <= 0xE3 ? streamId : -1;  // 0xFD is named by its extension alone
    if (extension) {
        if (pos + 1 > headerEnd) return std::nullopt;
        std::uint8_t flags = b[pos++];
        if ((flags & 0x10) && (pos += 2) > headerEnd) return std::nullopt;
        if (flags & 0x01) {
            if (pos + 2 > headerEnd) return std::nullopt;
            int e = b[pos + 1] & 0x7F;
            pos += 2;
            what = e == 0x55 || e == 0x56 ? Video : Nothing;
            videoId = e;
        }
        // A private stream 1 header that ends with its extension goes
        // straight to a payload without substream.
        if (pos == headerEnd && what == Private) what = Nothing;
    }
    if (what == Video) {
        if (videoId < 0) return std::nullopt;
        int slot = videoId >= 0xE0 ? videoId & 1 : videoId - 0x55;
        return Packet{x, OutputKind::Video, slot, videoId, headerEnd, std::min(end, n), std::nullopt};
    }
    if (what == Nothing) return std::nullopt;
    std::uint8_t q = b[headerEnd];
    auto sub = substream(q);
    if (!sub) return std::nullopt;
    std::size_t from = headerEnd + sub->headerBytes;
    if (from > end || from >= n) return std::nullopt;
    Packet p{x, sub->kind, sub->slot, q, from, std::min(end, n), std::nullopt};
    if (sub->kind == OutputKind::Subpicture && pts && *pts != 0) p.headerPts = pts;
    return p;
}

// The bytes the packet adds to its output: the "SP" header, if any, then
// the payload.
std::vector<std::uint8_t> headerOf(const Packet& p) {
    return p.headerPts ? subpictureHeader(*p.headerPts) : std::vector<std::uint8_t>{};
}

std::size_t pieceSize(const Packet& p) { return (p.headerPts ? kSubpictureHeaderSize : 0) + p.to - p.from; }

bool pieceAt(const std::uint8_t* b, const Packet& p, const std::vector<std::uint8_t>& output, std::size_t at) {
    if (pieceSize(p) > output.size() - at) return false;
    std::vector<std::uint8_t> header = headerOf(p);
    return std::equal(header.begin(), header.end(), output.begin() + static_cast<std::ptrdiff_t>(at)) &&
           std::memcmp(b + p.from, output.data() + at + header.size(), p.to - p.from) == 0;
}

const char* kindName(OutputKind k) {
    return k == OutputKind::Video ? "video" : k == OutputKind::Audio ? "audio" : "subpicture";
}

}  // namespace

struct PayloadAccount::Packets {
    const std::uint8_t* source;
    std::vector<Packet> all;  // only those that add bytes to their output
};

PayloadAccount::PayloadAccount(const std::uint8_t* source, std::size_t size) : packets_(new Packets{source, {}}) {
    for (std::size_t x = 0; x < size; ++x)
        if (auto p = packetAt(source, size, x); p && pieceSize(*p) > 0) packets_->all.push_back(*p);
}

PayloadAccount::~PayloadAccount() { delete packets_; }

std::string PayloadAccount::explain(SlotOutput slot, const std::vector<std::uint8_t>& output) const {
    std::string name = std::string(kindName(slot.kind)) + " slot " + std::to_string(slot.slot);
    if (slot.registered < 0)
        return output.empty() ? "" : name + " holds no stream, yet its output has " +
                                         std::to_string(output.size()) + " bytes";
    std::vector<const Packet*> packets;
    for (const Packet& p : packets_->all)
        if (p.kind == slot.kind && p.slot == slot.slot && p.id == slot.registered) packets.push_back(&p);
    // Depth-first over (bytes of the output matched, last packet used); the
    // next packet's stream id must lie past the last one's payload.
    std::unordered_set<std::uint64_t> seen;
    std::vector<std::pair<std::size_t, std::size_t>> stack{{0, 0}};  // packet index + 1
    std::size_t longest = 0;
    while (!stack.empty()) {
        auto [matched, last] = stack.back();
        stack.pop_back();
        if (matched == output.size()) return "";
        if (!seen.insert((std::uint64_t{matched} << 32) | last).second) continue;
        longest = std::max(longest, matched);
        std::size_t after = last == 0 ? 0 : packets[last - 1]->to;
        auto first = std::lower_bound(packets.begin(), packets.end(), after,
                                      [](const Packet* p, std::size_t at) { return p->at < at; });
        // Pushed last to first, so the earliest fitting packet is tried first.
        for (std::size_t k = packets.size(); k-- > static_cast<std::size_t>(first - packets.begin());) {
            if (pieceAt(packets_->source, *packets[k], output, matched))
                stack.emplace_back(matched + pieceSize(*packets[k]), k + 1);
        }
    }
    return name + " (stream " + std::to_string(slot.registered) + "): its output of " +
           std::to_string(output.size()) + " bytes is no run of that stream's payloads; at most " +
           std::to_string(longest) + " bytes of it are";
}

}  // namespace strandex::test
