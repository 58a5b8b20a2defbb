#include "support/ts_reader.h"

#include <algorithm>
#include <map>

namespace strandex::test {

namespace {

constexpr std::size_t kTsPacketSize = 188;
constexpr std::uint8_t kSyncByte = 0x47;

// The bytes of a PSI section that starts in this payload (after its pointer
// field), cut to its section_length less the CRC; empty when it does not fit.
// The PAT and PMT of a single-program stream fit in one packet.
Bytes sectionBody(const std::uint8_t* payload, std::size_t n, std::uint8_t tableId) {
    if (n < 1 || 1u + payload[0] + 3 > n) return {};
    const std::uint8_t* s = payload + 1 + payload[0];
    std::size_t left = n - 1 - payload[0];
    std::size_t length = static_cast<std::size_t>((s[1] & 0x0F) << 8 | s[2]);
    if (s[0] != tableId || length < 4 || 3 + length > left) return {};
    return Bytes(s, s + 3 + length - 4);
}

// The PID of the first program's PMT, from the PAT.
std::optional<std::uint16_t> pmtPidOf(const std::uint8_t* payload, std::size_t n) {
    Bytes s = sectionBody(payload, n, 0x00);
    for (std::size_t at = 8; at + 4 <= s.size(); at += 4) {
        if ((s[at] << 8 | s[at + 1]) == 0) continue;  // the network PID, not a program
        return static_cast<std::uint16_t>((s[at + 2] & 0x1F) << 8 | s[at + 3]);
    }
    return std::nullopt;
}

std::vector<TsStream> streamsOf(const std::uint8_t* payload, std::size_t n) {
    Bytes s = sectionBody(payload, n, 0x02);
    std::vector<TsStream> streams;
    if (s.size() < 12) return streams;
    std::size_t at = 12 + static_cast<std::size_t>((s[10] & 0x0F) << 8 | s[11]);  // after program_info
    for (; at + 5 <= s.size(); at += 5 + static_cast<std::size_t>((s[at + 3] & 0x0F) << 8 | s[at + 4])) {
        TsStream stream;
        stream.streamType = s[at];
        stream.pid = static_cast<std::uint16_t>((s[at + 1] & 0x1F) << 8 | s[at + 2]);
        streams.push_back(stream);
    }
    return streams;
}

// One reassembled PES packet; nothing when its header is broken.
std::optional<TsPes> parsePes(const Bytes& b) {
    if (b.size() < 9 || b[0] != 0 || b[1] != 0 || b[2] != 1) return std::nullopt;
    std::size_t headerEnd = 9 + b[8];
    std::size_t declared = static_cast<std::size_t>(b[4] << 8 | b[5]);
    std::size_t end = declared == 0 ? b.size() : std::min(b.size(), 6 + declared);  // 0: unbounded video
    if (headerEnd > end) return std::nullopt;
    TsPes pes;
    bool hasPts = (b[7] & 0x80) != 0, hasDts = (b[7] & 0xC0) == 0xC0;
    if (hasPts && headerEnd >= 14) pes.pts = readTimestamp(&b[9]);
    if (hasDts && headerEnd >= 19) pes.dts = readTimestamp(&b[14]);
    pes.payload.assign(b.begin() + static_cast<std::ptrdiff_t>(headerEnd), b.begin() + static_cast<std::ptrdiff_t>(end));
    return pes;
}

}  // namespace

std::uint64_t readTimestamp(const std::uint8_t* p) {
    return (static_cast<std::uint64_t>(p[0] & 0x0E) << 29) | (static_cast<std::uint64_t>(p[1]) << 22) |
           (static_cast<std::uint64_t>(p[2] & 0xFE) << 14) | (static_cast<std::uint64_t>(p[3]) << 7) |
           (static_cast<std::uint64_t>(p[4]) >> 1);
}

std::vector<TsStream> readTransportStream(const Bytes& ts) {
    std::optional<std::uint16_t> pmtPid;
    std::vector<TsStream> streams;
    std::map<std::uint16_t, std::size_t> indexOf;  // PID to its place in streams
    std::map<std::uint16_t, Bytes> gathering;      // the open PES of each PID
    auto finish = [&](std::uint16_t pid) {
        auto open = gathering.find(pid);
        if (open == gathering.end()) return;
        if (auto pes = parsePes(open->second)) streams[indexOf[pid]].packets.push_back(std::move(*pes));
        gathering.erase(open);
    };
    for (std::size_t at = 0; at + kTsPacketSize <= ts.size(); at += kTsPacketSize) {
        const std::uint8_t* p = &ts[at];
        if (p[0] != kSyncByte) continue;
        bool unitStart = (p[1] & 0x40) != 0;
        auto pid = static_cast<std::uint16_t>((p[1] & 0x1F) << 8 | p[2]);
        int adaptation = (p[3] >> 4) & 3;
        if ((adaptation & 1) == 0) continue;  // no payload
        std::size_t offset = (adaptation & 2) != 0 ? 5u + p[4] : 4u;
        if (offset >= kTsPacketSize) continue;
        const std::uint8_t* payload = p + offset;
        std::size_t n = kTsPacketSize - offset;
        if (pid == 0 && unitStart && !pmtPid) {
            pmtPid = pmtPidOf(payload, n);
        } else if (pmtPid && pid == *pmtPid && unitStart && streams.empty()) {
            streams = streamsOf(payload, n);
            for (std::size_t k = 0; k < streams.size(); ++k) indexOf[streams[k].pid] = k;
        } else if (indexOf.count(pid) != 0) {
            if (unitStart) {
                finish(pid);
                gathering[pid];
            }
            auto open = gathering.find(pid);
            if (open != gathering.end()) open->second.insert(open->second.end(), payload, payload + n);
        }
    }
    for (const auto& stream : streams) finish(stream.pid);
    return streams;
}

}  // namespace strandex::test
