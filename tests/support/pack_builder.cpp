#include "support/pack_builder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace strandex::test {

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes& operator+=(Bytes& a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes repeat(std::uint8_t value, std::size_t count) { return Bytes(count, value); }

Bytes head(const Bytes& bytes, std::size_t n) { return Bytes(bytes.begin(), bytes.begin() + static_cast<long>(n)); }

Bytes timestamp(std::uint64_t ts, std::uint8_t prefix) {
    return {static_cast<std::uint8_t>((prefix << 4) | ((ts >> 29) & 0x0E) | 1),
            static_cast<std::uint8_t>(ts >> 22),
            static_cast<std::uint8_t>(((ts >> 14) & 0xFE) | 1),
            static_cast<std::uint8_t>(ts >> 7),
            static_cast<std::uint8_t>(((ts << 1) & 0xFE) | 1)};
}

Bytes pesPacket(const Pes& pes) {
    Bytes header;
    std::uint8_t flags2 = 0;
    if (pes.pts) {
        flags2 |= pes.dts ? 0xC0 : 0x80;
        header += timestamp(*pes.pts, pes.dts ? 3 : 2);
        if (pes.dts) header += timestamp(*pes.dts, 1);
    }
    if (pes.streamIdExtension || pes.pstd) {
        flags2 |= 0x01;
        std::uint8_t extFlags = 0x0E;  // reserved bits set
        if (pes.pstd) extFlags |= 0x10;
        if (pes.streamIdExtension) extFlags |= 0x01;
        header.push_back(extFlags);
        if (pes.pstd) header += Bytes{0x60, 0x00};
        if (pes.streamIdExtension)
            // marker + field length 1, then stream_id_extension_flag 0 and the id
            header += Bytes{0x81, static_cast<std::uint8_t>(*pes.streamIdExtension & 0x7F)};
    }
    header += repeat(0xFF, static_cast<std::size_t>(pes.stuffing));
    std::uint8_t headerLength = pes.headerLength.value_or(static_cast<std::uint8_t>(header.size()));
    std::size_t length = 3 + header.size() + pes.payload.size();
    std::uint16_t packetLength = pes.packetLength.value_or(static_cast<std::uint16_t>(length));
    // '10', the scrambling bits, priority 0, alignment 0, copyright 0, original 1
    auto flags1 = static_cast<std::uint8_t>(0x81 | ((pes.scrambling & 3) << 4));
    Bytes out{0x00, 0x00, 0x01, pes.streamId, static_cast<std::uint8_t>(packetLength >> 8),
              static_cast<std::uint8_t>(packetLength), flags1, flags2, headerLength};
    return out + header + pes.payload;
}

Bytes ac3Payload(std::uint8_t substream, const Bytes& data) {
    return Bytes{substream, 0x01, 0x00, 0x01} + data;
}

Bytes lpcmPayload(std::uint8_t substream, const Bytes& data) {
    return Bytes{substream, 0x01, 0x00, 0x04, 0x00, 0x01, 0x80} + data;
}

Bytes mlpPayload(std::uint8_t substream, const Bytes& data) {
    return Bytes{substream, 0x01, 0x00, 0x02, 0x00} + data;
}

Bytes subpicturePayload(std::uint8_t substream, const Bytes& data) {
    return Bytes{substream} + data;
}

Bytes privateStream1(const Bytes& payload, std::optional<std::uint64_t> pts) {
    Pes pes;
    pes.streamId = 0xBD;
    pes.pts = pts;
    pes.payload = payload;
    return pesPacket(pes);
}

Bytes paddingPacket(std::size_t totalSize) {
    if (totalSize < 6) throw std::invalid_argument("a padding packet has at least 6 bytes");
    std::size_t length = totalSize - 6;
    return Bytes{0x00, 0x00, 0x01, 0xBE, static_cast<std::uint8_t>(length >> 8),
                 static_cast<std::uint8_t>(length)} +
           repeat(0xFF, length);
}

Bytes navigationPacket(const Bytes& payload) {
    std::size_t length = payload.size();
    return Bytes{0x00, 0x00, 0x01, 0xBF, static_cast<std::uint8_t>(length >> 8),
                 static_cast<std::uint8_t>(length)} +
           payload;
}

Bytes packHeader(std::uint64_t scr) {
    // '01' SCR[32..30] 1 SCR[29..15] 1 SCR[14..0] 1 ext(9) 1, mux rate, stuffing 0.
    std::uint32_t muxRate = 25200;
    return {static_cast<std::uint8_t>(0x44 | ((scr >> 27) & 0x38) | ((scr >> 28) & 0x03)),
            static_cast<std::uint8_t>(scr >> 20),
            static_cast<std::uint8_t>(0x04 | ((scr >> 12) & 0xF8) | ((scr >> 13) & 0x03)),
            static_cast<std::uint8_t>(scr >> 5),
            static_cast<std::uint8_t>(0x04 | ((scr << 3) & 0xF8)),
            0x01,
            static_cast<std::uint8_t>(muxRate >> 14),
            static_cast<std::uint8_t>(muxRate >> 6),
            static_cast<std::uint8_t>((muxRate << 2) | 0x03),
            0xF8};
}

Bytes systemHeader(int audioBound, int videoBound) {
    Bytes body{0x80, 0x00, 0x01,  // rate_bound
               static_cast<std::uint8_t>((audioBound << 2) | 0x01),
               static_cast<std::uint8_t>(0xE0 | videoBound), 0xFF};
    body += Bytes{0xE0, 0xE0, 0x00, 0xBD, 0xE0, 0x00};  // two stream entries
    return Bytes{0x00, 0x00, 0x01, 0xBB, 0x00, static_cast<std::uint8_t>(body.size())} + body;
}

Bytes programEnd() { return {0x00, 0x00, 0x01, 0xB9}; }

Bytes pack(const std::vector<Bytes>& packets) {
    Bytes out{0x00, 0x00, 0x01, 0xBA};
    out += packHeader();
    for (const auto& p : packets) out += p;
    if (out.size() > kPackSize) throw std::invalid_argument("packets do not fit in one pack");
    std::size_t left = kPackSize - out.size();
    if (left >= 6)
        out += paddingPacket(left);
    else
        out += repeat(0xFF, left);  // too little room for a packet: stuffing
    return out;
}

Bytes pack(std::initializer_list<Bytes> packets) { return pack(std::vector<Bytes>(packets)); }

Bytes randomBytes(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes out(n);
    for (auto& b : out) b = static_cast<std::uint8_t>(rng());
    return out;
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "strandex-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::write(const std::string& name, const Bytes& content) const {
    std::string path = file(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    return path;
}

Bytes readFile(const std::string& path) {
    // In one read, not byte by byte: the sanitizer build reads outputs of
    // megabytes.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    Bytes bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

}  // namespace strandex::test
