// A test-only builder of MPEG-2 program streams, byte by byte: packs,
// system headers, PES packets with PTS/DTS and PES extensions, private
// stream 1 substreams, padding and navigation packets.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace strandex::test {

using Bytes = std::vector<std::uint8_t>;

Bytes operator+(Bytes a, const Bytes& b);
Bytes& operator+=(Bytes& a, const Bytes& b);
Bytes repeat(std::uint8_t value, std::size_t count);
// The first n bytes.
Bytes head(const Bytes& bytes, std::size_t n);

// The five bytes of a PTS or DTS; prefix is 2 (PTS only), 3 (PTS of a PTS
// and DTS pair) or 1 (DTS). Bit 32 of ts is kept.
Bytes timestamp(std::uint64_t ts, std::uint8_t prefix);

struct Pes {
    std::uint8_t streamId = 0xE0;
    std::optional<std::uint64_t> pts;
    std::optional<std::uint64_t> dts;  // only with pts
    // Adds a PES extension whose extension-2 field holds this stream id
    // extension (VC-1 on HD DVD uses 0x55 and 0x56).
    std::optional<std::uint8_t> streamIdExtension;
    bool pstd = false;  // a P-STD buffer field in the extension
    int stuffing = 0;   // 0xFF bytes at the end of the header
    std::uint8_t scrambling = 0;  // PES_scrambling_control: 0 clear, 1 to 3 encrypted
    Bytes payload;
    std::optional<std::uint16_t> packetLength;  // overrides the computed one
    std::optional<std::uint8_t> headerLength;   // overrides PES_header_data_length
};
Bytes pesPacket(const Pes& pes);

// Private stream 1 payloads: the substream header followed by the data.
Bytes ac3Payload(std::uint8_t substream, const Bytes& data);   // DD, DD+, DTS-HD: 4 bytes
Bytes lpcmPayload(std::uint8_t substream, const Bytes& data);  // 7 bytes
Bytes mlpPayload(std::uint8_t substream, const Bytes& data);   // 5 bytes
Bytes subpicturePayload(std::uint8_t substream, const Bytes& data);  // 1 byte

// A private stream 1 packet around one of the payloads above.
Bytes privateStream1(const Bytes& payload, std::optional<std::uint64_t> pts = {});

Bytes paddingPacket(std::size_t totalSize);        // 0xBE, whole packet totalSize >= 6
Bytes navigationPacket(const Bytes& payload);       // 0xBF
Bytes packHeader(std::uint64_t scr = 0);            // 14 bytes, no stuffing
Bytes systemHeader(int audioBound, int videoBound);  // 00 00 01 BB …
Bytes programEnd();                                 // 00 00 01 B9

// A 2048-byte pack: pack header, the packets, padding to fill. Throws when
// the packets do not fit.
Bytes pack(std::initializer_list<Bytes> packets);
Bytes pack(const std::vector<Bytes>& packets);
inline constexpr std::size_t kPackSize = 2048;

// Deterministic pseudo-random bytes.
Bytes randomBytes(std::size_t n, std::uint32_t seed);

// A folder removed with its content at the end of the test.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string write(const std::string& name, const Bytes& content) const;

private:
    std::string path_;
};

Bytes readFile(const std::string& path);

}  // namespace strandex::test
