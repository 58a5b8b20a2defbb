// strandex-make-evo: writes a synthetic HD DVD-like program stream (EVO) of a
// given size, for timing the commands against plain reads and copies of the
// same file.
//
//   strandex-make-evo OUT [SIZE_MIB] [--feature]        (default 1024 MiB)
//
// Two shapes of file share the layout below and differ in their rates and
// audio streams. The first (no option) is the one the older figures were
// taken on; its bytes never change. `--feature` gives a feature's
// proportions instead.
//
// The file is a run of 2048-byte packs, each a pack header without stuffing
// followed by one PES packet and, where that packet leaves 6 bytes or more, a
// padding packet (less becomes PES header stuffing). Every group of 12
// frames (about 0.5 s at 23.976 fps) begins with a navigation pack: pack
// header, system header (audio_bound 3, video_bound 1) and two private
// stream 2 packets. The streams:
//   - VC-1 video in stream 0xFD with stream id extension 0x55; each frame
//     starts a PES packet carrying PTS and DTS, and its payload starts with
//     the frame start code 00 00 01 0D (the first frame of a group behind a
//     sequence header and an entry point). The rest of a frame is random
//     bytes in which no start code can appear, so the frame count of a scan
//     is exactly the number of frames written;
//   - three audio streams in private stream 1: every packet starts with the
//     4-byte substream header (id, frame headers, first access unit
//     pointer), every frame with its sync word and a valid frame header,
//     the rest of the frame random bytes;
//   - subpicture 0x20: a display unit every 72 frames, its first packet with
//     a PTS.
// The shapes:
//   - synthetic: video about 13.8 Mbit/s (85.6 % of the bytes are its
//     payload, 88 % its packs); DD+ 768 kbit/s 5.1 in substream 0xC0, DD+
//     640 kbit/s 5.1 in 0xC1 and DD 448 kbit/s 5.1 in 0x82 (32 ms frames
//     starting 0B 77);
//   - feature: video 13.0 Mbit/s (82.3 % payload, 84.6 % of the packs); DD+
//     640 kbit/s 5.1 in 0xC0, DD+ 192 kbit/s 2.0 in 0xC1, and DTS in 0x8A
//     (audio stream 2 of the DTS-HD range 0x88 to 0x8F): core frames of
//     2013 bytes, 512 samples at 48 kHz, 1509.75 kbit/s, 3/2 with LFE, each
//     starting 7F FE 80 01.
// The first video and audio PTS are both 120000. The file ends at the pack
// that reaches the size asked for, wherever that falls in the stream. The
// random bytes come from a fixed seed per shape: the same size and shape
// always give the same file, and a smaller file is the start of a larger
// one.
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kPackSize = 2048;
constexpr std::size_t kPackHeaderSize = 14;
constexpr std::size_t kPackRoom = kPackSize - kPackHeaderSize;  // 2034
constexpr std::uint32_t kMuxRate = 75600;                       // x 50 bytes/s = 30.24 Mbit/s

// Time in 27 MHz ticks; timestamps are taken from it at 90 kHz.
constexpr std::int64_t kClock = 27000000;
constexpr std::int64_t kFrameTicks = kClock * 1001 / 24000;  // 1126125, exact
constexpr std::int64_t kAc3FrameTicks = kClock * 32 / 1000;  // 1536 samples at 48 kHz
constexpr std::int64_t kDtsFrameTicks = kClock * 512 / 48000;  // 512 samples at 48 kHz, exact
constexpr std::int64_t kFirstPts = 120000 * 300;
constexpr std::int64_t kPackTicks = kClock * kPackSize / (kMuxRate * 50) + 1;
constexpr std::int64_t kMuxLead = kClock / 4;  // packs are sent 250 ms before decoding

constexpr int kGroupFrames = 12;
constexpr int kSubpictureEvery = 72;           // frames between subpicture units

// xoshiro256**: fast enough to fill a gigabyte in well under a second.
class Random {
public:
    explicit Random(std::uint64_t seed) {
        for (auto& word : s_) {
            seed += 0x9E3779B97F4A7C15ull;  // splitmix64 spreads the seed
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            word = z ^ (z >> 31);
        }
    }

    std::uint64_t next() {
        std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }

    void fill(std::uint8_t* p, std::size_t n) {
        while (n >= 8) {
            std::uint64_t v = next();
            std::memcpy(p, &v, 8);
            p += 8;
            n -= 8;
        }
        if (n > 0) {
            std::uint64_t v = next();
            std::memcpy(p, &v, n);
        }
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }
    std::array<std::uint64_t, 4> s_{};
};

// Random bytes in which no start code can appear by chance: never two zero
// bytes in a row (counting the byte before them), and no 00 or 01 first, as
// a frame counter that takes the bytes before a packet's payload as zeros
// would see 01 0D there as a frame start code.
void fillNoStartCodes(Random& rng, std::uint8_t* p, std::size_t n, std::uint8_t before) {
    if (n == 0) return;
    rng.fill(p, n);
    if (p[0] <= 1) p[0] = static_cast<std::uint8_t>(p[0] + 2);
    std::uint8_t prev = before;
    for (std::size_t k = 0; k < n; ++k) {
        if (p[k] == 0 && prev == 0) p[k] = 0x5A;
        prev = p[k];
    }
}

class BitWriter {
public:
    void put(std::uint32_t value, int bits) {
        for (int b = bits - 1; b >= 0; --b) {
            acc_ = static_cast<std::uint8_t>((acc_ << 1) | ((value >> b) & 1));
            if (++used_ == 8) {
                bytes_.push_back(acc_);
                acc_ = 0;
                used_ = 0;
            }
        }
    }
    // The closing 1 bit, then zeros to the byte boundary.
    std::vector<std::uint8_t> finish() {
        put(1, 1);
        return padded();
    }
    // Zeros to the byte boundary.
    std::vector<std::uint8_t> padded() {
        while (used_ != 0) put(0, 1);
        return bytes_;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint8_t acc_ = 0;
    int used_ = 0;
};

// Advanced profile sequence header and entry point for 1920x1080 at
// 24000/1001 fps, square samples; each with its start code.
std::vector<std::uint8_t> sequenceStart() {
    BitWriter seq;
    seq.put(3, 2);     // PROFILE: advanced
    seq.put(3, 3);     // LEVEL 3
    seq.put(1, 2);     // COLORDIFF_FORMAT 4:2:0
    seq.put(7, 3);     // FRMRTQ_POSTPROC
    seq.put(31, 5);    // BITRTQ_POSTPROC
    seq.put(0, 1);     // POSTPROCFLAG
    seq.put(959, 12);  // MAX_CODED_WIDTH: (1920 / 2) - 1
    seq.put(539, 12);  // MAX_CODED_HEIGHT: (1080 / 2) - 1
    seq.put(0, 1);     // PULLDOWN
    seq.put(0, 1);     // INTERLACE
    seq.put(0, 1);     // TFCNTRFLAG
    seq.put(0, 1);     // FINTERPFLAG
    seq.put(1, 1);     // reserved
    seq.put(0, 1);     // PSF
    seq.put(1, 1);     // DISPLAY_EXT
    seq.put(1919, 14);  // DISP_HORIZ_SIZE
    seq.put(1079, 14);  // DISP_VERT_SIZE
    seq.put(1, 1);     // ASPECT_RATIO_FLAG
    seq.put(1, 4);     // ASPECT_RATIO 1:1
    seq.put(1, 1);     // FRAMERATE_FLAG
    seq.put(0, 1);     // FRAMERATEIND
    seq.put(1, 8);     // FRAMERATENR 24000
    seq.put(2, 4);     // FRAMERATEDR 1001
    seq.put(0, 1);     // COLOR_FORMAT_FLAG
    seq.put(0, 1);     // HRD_PARAM_FLAG
    BitWriter entry;
    entry.put(0, 1);  // BROKEN_LINK
    entry.put(1, 1);  // CLOSED_ENTRY
    entry.put(0, 1);  // PANSCAN_FLAG
    entry.put(1, 1);  // REFDIST_FLAG
    entry.put(1, 1);  // LOOPFILTER
    entry.put(0, 1);  // FASTUVMC
    entry.put(0, 1);  // EXTENDED_MV
    entry.put(0, 2);  // DQUANT
    entry.put(1, 1);  // VSTRANSFORM
    entry.put(0, 1);  // OVERLAP
    entry.put(0, 2);  // QUANTIZER
    entry.put(0, 1);  // CODED_SIZE_FLAG
    entry.put(0, 1);  // RANGE_MAPY_FLAG
    entry.put(0, 1);  // RANGE_MAPUV_FLAG
    std::vector<std::uint8_t> out{0, 0, 1, 0x0F};
    for (auto b : seq.finish()) out.push_back(b);
    for (auto b : {0, 0, 1, 0x0E}) out.push_back(static_cast<std::uint8_t>(b));
    for (auto b : entry.finish()) out.push_back(b);
    return out;
}

// MPEG-2 timestamp field: prefix nibble, then the 33-bit value with markers.
void putTimestamp(std::uint8_t* p, std::uint8_t prefix, std::int64_t ticks27) {
    auto t = static_cast<std::uint64_t>(ticks27 / 300);
    p[0] = static_cast<std::uint8_t>((prefix << 4) | (((t >> 30) & 7) << 1) | 1);
    p[1] = static_cast<std::uint8_t>(t >> 22);
    p[2] = static_cast<std::uint8_t>((((t >> 15) & 0x7F) << 1) | 1);
    p[3] = static_cast<std::uint8_t>(t >> 7);
    p[4] = static_cast<std::uint8_t>(((t & 0x7F) << 1) | 1);
}

void putStartCode(std::uint8_t* p, std::uint8_t id, std::size_t packetLength) {
    p[0] = 0;
    p[1] = 0;
    p[2] = 1;
    p[3] = id;
    p[4] = static_cast<std::uint8_t>(packetLength >> 8);
    p[5] = static_cast<std::uint8_t>(packetLength);
}

// A padding packet of `total` bytes (at least 6).
void putPadding(std::uint8_t* p, std::size_t total) {
    putStartCode(p, 0xBE, total - 6);
    std::memset(p + 6, 0xFF, total - 6);
}

// The PES header bytes that follow PES_packet_length: flags, header data
// length, the fields the flags announce, stuffing.
struct PesHeader {
    std::array<std::uint8_t, 32> bytes{};
    std::size_t size = 0;
    void add(std::uint8_t b) { bytes[size++] = b; }
};

// Lays packs end to end into the bytes of the group being built; its clock
// runs on from group to group.
class Muxer {
public:
    void target(std::vector<std::uint8_t>& out) { out_ = &out; }

    // Starts a pack whose clock is at least `sendTime`; returns its first
    // byte after the pack header.
    std::uint8_t* beginPack(std::int64_t sendTime) {
        scr_ = std::max(scr_ + kPackTicks, sendTime);
        std::size_t at = out_->size();
        out_->resize(at + kPackSize);
        std::uint8_t* p = out_->data() + at;
        auto base = static_cast<std::uint64_t>(scr_ / 300);
        auto ext = static_cast<std::uint32_t>(scr_ % 300);
        p[0] = 0;
        p[1] = 0;
        p[2] = 1;
        p[3] = 0xBA;
        p[4] = static_cast<std::uint8_t>(0x44 | ((base >> 27) & 0x38) | ((base >> 28) & 3));
        p[5] = static_cast<std::uint8_t>(base >> 20);
        p[6] = static_cast<std::uint8_t>(((base >> 12) & 0xF8) | 4 | ((base >> 13) & 3));
        p[7] = static_cast<std::uint8_t>(base >> 5);
        p[8] = static_cast<std::uint8_t>(((base & 0x1F) << 3) | 4 | ((ext >> 7) & 3));
        p[9] = static_cast<std::uint8_t>(((ext & 0x7F) << 1) | 1);
        p[10] = static_cast<std::uint8_t>(kMuxRate >> 14);
        p[11] = static_cast<std::uint8_t>(kMuxRate >> 6);
        p[12] = static_cast<std::uint8_t>(((kMuxRate & 0x3F) << 2) | 3);
        p[13] = 0xF8;  // no pack stuffing
        return p + kPackHeaderSize;
    }

    // Writes one PES packet into the pack begun at `room` (kPackRoom bytes):
    // its header, then `payload` bytes left for the caller at the returned
    // pointer; the rest of the pack becomes header stuffing (under 6 bytes)
    // or a padding packet.
    std::uint8_t* packet(std::uint8_t* room, std::uint8_t id, PesHeader header,
                         std::size_t payload) {
        if (6 + header.size + payload > kPackRoom) std::abort();  // a fault of this program
        std::size_t gap = kPackRoom - 6 - header.size - payload;
        bool padded = gap >= 6;
        if (!padded) {
            for (std::size_t k = 0; k < gap; ++k) header.add(0xFF);
            header.bytes[2] = static_cast<std::uint8_t>(header.bytes[2] + gap);
        }
        putStartCode(room, id, header.size + payload);
        std::memcpy(room + 6, header.bytes.data(), header.size);
        std::uint8_t* data = room + 6 + header.size;
        if (padded) putPadding(data + payload, gap);
        return data;
    }

private:
    std::vector<std::uint8_t>* out_ = nullptr;
    std::int64_t scr_ = 0;
};

PesHeader ptsHeader(std::int64_t pts) {
    PesHeader h;
    h.add(0x81);
    h.add(0x80);
    h.add(5);
    h.size += 5;
    putTimestamp(&h.bytes[3], 2, pts);
    return h;
}

PesHeader plainHeader() {
    PesHeader h;
    h.add(0x81);
    h.add(0x00);
    h.add(0);
    return h;
}

// VC-1 headers: the PES extension's second part carries the stream id
// extension 0x55 in every packet.
PesHeader videoHeader(bool withTimes, std::int64_t pts, std::int64_t dts) {
    PesHeader h;
    h.add(0x81);
    h.add(withTimes ? 0xC1 : 0x01);
    h.add(withTimes ? 13 : 3);
    if (withTimes) {
        putTimestamp(&h.bytes[3], 3, pts);
        putTimestamp(&h.bytes[8], 1, dts);
        h.size += 10;
    }
    h.add(0x01);  // only PES_extension_flag_2
    h.add(0x81);  // marker, PES_extension_field_length 1
    h.add(0x55);  // stream_id_extension
    return h;
}

struct AudioStream {
    std::uint8_t substream;
    std::size_t frameBytes;
    std::int64_t frameTicks;
    std::vector<std::uint8_t> syncHeader;    // the frame's first bytes
    std::int64_t nextFrameTime = kFirstPts;  // of the frame that is not yet due
    std::int64_t dueBytes = 0;               // bytes of due frames not yet sent
    std::size_t inFrame = 0;                 // sent bytes of the current frame
    std::int64_t frameTime = kFirstPts;      // PTS of the current frame
};

// E-AC-3: independent substream 0, frmsiz words - 1, 48 kHz, 6 blocks,
// bsid 16; acmod and lfeon in `modeByte` (0x3F: 3/2 with LFE).
AudioStream ddPlus(std::uint8_t substream, std::size_t frameBytes, std::uint8_t modeByte = 0x3F) {
    std::size_t frmsiz = frameBytes / 2 - 1;
    return {substream,
            frameBytes,
            kAc3FrameTicks,
            {0x0B, 0x77, static_cast<std::uint8_t>(frmsiz >> 8), static_cast<std::uint8_t>(frmsiz),
             modeByte, 0x87, 0xC0, 0x00}};
}

// AC-3: 48 kHz, frmsizecod 30 (448 kbit/s, 1792 bytes), bsid 8, 3/2 with LFE.
AudioStream dolbyDigital(std::uint8_t substream) {
    return {substream, 1792, kAc3FrameTicks, {0x0B, 0x77, 0x00, 0x00, 0x1E, 0x40, 0xE1, 0x00}};
}

// A DTS core as discs carry it (without an extension substream): 16 blocks
// of 32 samples (10.67 ms) at 48 kHz in 2013-byte frames, 1509.75 kbit/s
// (RATE says 1536), 3/2 with LFE, 24-bit source, one subframe of five
// primary channels. The header is the 16-bit big-endian form; the rest of
// the frame is random bytes.
AudioStream dtsCore(std::uint8_t substream) {
    constexpr std::size_t kFrameBytes = 2013;
    BitWriter h;
    h.put(0x7FFE8001, 32);       // SYNC
    h.put(1, 1);                 // FTYPE: normal frame
    h.put(31, 5);                // SHORT: no deficit samples
    h.put(0, 1);                 // CPF: no CRC
    h.put(15, 7);                // NBLKS: 16 blocks of 32 samples
    h.put(kFrameBytes - 1, 14);  // FSIZE
    h.put(9, 6);                 // AMODE: C, L, R, SL, SR
    h.put(13, 4);                // SFREQ: 48 kHz
    h.put(24, 5);                // RATE: 1536 kbit/s
    h.put(0, 1);                 // FixedBit
    h.put(0, 1);                 // DYNF
    h.put(0, 1);                 // TIMEF
    h.put(0, 1);                 // AUXF
    h.put(0, 1);                 // HDCD
    h.put(0, 3);                 // EXT_AUDIO_ID
    h.put(0, 1);                 // EXT_AUDIO: none
    h.put(1, 1);                 // ASPF
    h.put(2, 2);                 // LFF: LFE, 64 times interpolated
    h.put(1, 1);                 // HFLAG
    h.put(0, 1);                 // FILTS
    h.put(7, 4);                 // VERNUM
    h.put(0, 2);                 // CHIST
    h.put(6, 3);                 // PCMR: 24 bits
    h.put(0, 1);                 // SUMF
    h.put(0, 1);                 // SUMS
    h.put(0, 4);                 // DIALNORM
    h.put(0, 4);                 // SUBFS: one subframe
    h.put(4, 3);                 // PCHS: five primary channels
    return {substream, kFrameBytes, kDtsFrameTicks, h.padded()};
}

// What sets one shape of file apart from the other.
struct Shape {
    std::uint64_t seed;
    std::size_t meanFrameBytes;  // of the video
    std::array<AudioStream, 3> audio;
};

// The first shape: more audio than a disc carries, for a heavy demux.
Shape syntheticShape() {
    return {0x5354524E44455831ull,
            72000,  // about 13.8 Mbit/s of video
            {ddPlus(0xC0, 3072), ddPlus(0xC1, 2560), dolbyDigital(0x82)}};
}

// A feature's streams in a feature's proportions: 13 Mbit/s of video, the
// main DD+ track at 640 kbit/s, a 2.0 DD+ 192 kbit/s commentary and a DTS
// track as audio stream 2 (0x88 + 2).
Shape featureShape() {
    return {0x5354524E44455832ull,
            67776,  // 13.000 Mbit/s at 24000/1001 fps
            {ddPlus(0xC0, 2560), ddPlus(0xC1, 768, 0x34), dtsCore(0x8A)}};
}

// The stream a pack carries, for the summary of the file's proportions.
enum class PackStream : std::uint8_t { navigation, video, audio0, audio1, audio2, subpicture };
constexpr std::size_t kPackStreams = 6;

class EvoWriter {
public:
    explicit EvoWriter(const Shape& shape)
        : rng_(shape.seed), sequence_(sequenceStart()), meanFrameBytes_(shape.meanFrameBytes),
          audio_(shape.audio) {}

    // Builds the next group of frames into `group`.
    void buildGroup(std::vector<std::uint8_t>& group) {
        group.clear();
        contents_.clear();
        mux_.target(group);
        navigationPack(dts(frame_) - kMuxLead);
        std::size_t groupBytes = meanFrameBytes_ * kGroupFrames;
        std::size_t iBytes = groupBytes * 5 / 27;  // the I frame is about 2.5 times a P frame
        std::size_t pMean = (groupBytes - iBytes) / (kGroupFrames - 1);
        for (int k = 0; k < kGroupFrames; ++k) {
            std::size_t size = k == 0 ? iBytes : pMean * 6 / 10 + rng_.below(pMean * 8 / 10);
            videoFrame(size, k == 0);
            if (frame_ % kSubpictureEvery == 0) subpictureUnit();
            ++frame_;
            for (auto& a : audio_) audioUpTo(a, dts(frame_) + kFrameTicks);
        }
    }

    // What each pack of the last group holds, for the summary.
    struct PackContent {
        bool frameStart = false;       // the first packet of a video frame
        std::uint32_t videoBytes = 0;  // video payload
        PackStream stream = PackStream::navigation;
    };
    const std::vector<PackContent>& packContents() const { return contents_; }

private:
    static std::int64_t dts(int frame) { return kFirstPts - kFrameTicks + frame * kFrameTicks; }

    std::uint8_t* beginPack(std::int64_t sendTime, PackStream stream) {
        contents_.push_back({false, 0, stream});
        return mux_.beginPack(sendTime);
    }

    // System header and the two private stream 2 packets of navigation data.
    void navigationPack(std::int64_t sendTime) {
        std::uint8_t* p = beginPack(sendTime, PackStream::navigation);
        static constexpr std::uint8_t kSystemHeader[] = {
            0x00, 0x00, 0x01, 0xBB, 0x00, 0x0F,  // 15 bytes follow
            0x80, 0xEB, 0x61,                    // rate_bound 30240 (x 50 bytes/s)
            0x0C,                                // audio_bound 3, not fixed, not CSPS
            0xE1,                                // audio and video locked, video_bound 1
            0x7F,                                // no packet rate restriction
            0xB9, 0xE0, 0xE8,                    // all video: buffer bound 232 x 1024
            0xBD, 0xE0, 0x3A,                    // private stream 1: 58 x 1024
            0xBF, 0xE0, 0x02};                   // private stream 2: 2 x 1024
        std::memcpy(p, kSystemHeader, sizeof kSystemHeader);
        p += sizeof kSystemHeader;
        constexpr std::size_t kPci = 980;
        constexpr std::size_t kDsi = kPackRoom - sizeof kSystemHeader - 12 - kPci;
        putStartCode(p, 0xBF, kPci);
        std::memset(p + 6, 0, kPci);
        p[6] = 0x00;  // presentation control information
        putNavNumber(p + 7, navPacks_);
        p += 6 + kPci;
        putStartCode(p, 0xBF, kDsi);
        std::memset(p + 6, 0, kDsi);
        p[6] = 0x01;  // data search information
        putNavNumber(p + 7, navPacks_);
        ++navPacks_;
    }

    static void putNavNumber(std::uint8_t* p, std::uint32_t n) {
        p[0] = static_cast<std::uint8_t>(n >> 24);
        p[1] = static_cast<std::uint8_t>(n >> 16);
        p[2] = static_cast<std::uint8_t>(n >> 8);
        p[3] = static_cast<std::uint8_t>(n);
    }

    void videoFrame(std::size_t size, bool startsGroup) {
        std::int64_t decode = dts(frame_);
        std::size_t left = size;
        bool first = true;
        std::uint8_t last = 0;
        while (left > 0) {
            PesHeader h = videoHeader(first, decode + kFrameTicks, decode);
            std::size_t n = std::min(left, kPackRoom - 6 - h.size);
            std::uint8_t* p = mux_.packet(beginPack(decode - kMuxLead, PackStream::video), 0xFD, h, n);
            std::size_t fixed = 0;
            if (first) {
                if (startsGroup) {
                    std::memcpy(p, sequence_.data(), sequence_.size());
                    fixed = sequence_.size();
                }
                static constexpr std::uint8_t kFrameStart[] = {0x00, 0x00, 0x01, 0x0D};
                std::memcpy(p + fixed, kFrameStart, sizeof kFrameStart);
                fixed += sizeof kFrameStart;
                // Picture type: 110 is an I frame, 0 a P frame.
                std::uint8_t type = static_cast<std::uint8_t>(rng_.next());
                p[fixed++] = startsGroup ? (0xC0 | (type & 0x1F)) : (0x01 | (type & 0x7F));
                last = p[fixed - 1];
            }
            fillNoStartCodes(rng_, p + fixed, n - fixed, last);
            last = p[n - 1];
            left -= n;
            contents_.back().frameStart = first;
            contents_.back().videoBytes = static_cast<std::uint32_t>(n);
            first = false;
        }
    }

    // Frames due up to `until` join the stream's queue; full packets go out.
    void audioUpTo(AudioStream& a, std::int64_t until) {
        while (a.nextFrameTime <= until) {
            a.dueBytes += static_cast<std::int64_t>(a.frameBytes);
            a.nextFrameTime += a.frameTicks;
        }
        while (a.dueBytes >= static_cast<std::int64_t>(kPackRoom)) audioPacket(a);
    }

    PackStream audioPackStream(const AudioStream& a) const {
        return static_cast<PackStream>(static_cast<int>(PackStream::audio0) + (&a - audio_.data()));
    }

    void audioPacket(AudioStream& a) {
        constexpr std::size_t kWithPts = kPackRoom - 6 - 8 - 4;  // 2016 after a PTS header
        std::size_t toStart = a.inFrame == 0 ? 0 : a.frameBytes - a.inFrame;
        bool hasStart = toStart < kWithPts;
        PesHeader h = hasStart ? ptsHeader(a.frameTime + (a.inFrame == 0 ? 0 : a.frameTicks))
                               : plainHeader();
        // A packet without a frame start ends before the next one.
        std::size_t n = kPackRoom - 6 - h.size - 4;
        if (!hasStart) n = std::min(n, toStart);
        std::uint8_t* p =
            mux_.packet(beginPack(a.frameTime - kMuxLead, audioPackStream(a)), 0xBD, h, n + 4);
        std::size_t starts = 0;
        for (std::size_t k = toStart; k < n; k += a.frameBytes) ++starts;
        p[0] = a.substream;
        p[1] = static_cast<std::uint8_t>(starts);
        std::size_t pointer = hasStart ? toStart + 1 : 0;
        p[2] = static_cast<std::uint8_t>(pointer >> 8);
        p[3] = static_cast<std::uint8_t>(pointer);
        p += 4;
        for (std::size_t done = 0; done < n;) {
            std::size_t take = std::min(n - done, a.frameBytes - a.inFrame);
            std::size_t headerPart = 0;
            if (a.inFrame < a.syncHeader.size()) {
                headerPart = std::min(take, a.syncHeader.size() - a.inFrame);
                std::memcpy(p + done, a.syncHeader.data() + a.inFrame, headerPart);
            }
            rng_.fill(p + done + headerPart, take - headerPart);
            done += take;
            a.inFrame += take;
            if (a.inFrame == a.frameBytes) {
                a.inFrame = 0;
                a.frameTime += a.frameTicks;
            }
        }
        a.dueBytes -= static_cast<std::int64_t>(n);
    }

    // A display unit: size, control offset, pixel data, then the control
    // sequences that show it and hide it two seconds later.
    void subpictureUnit() {
        std::size_t dataBytes = 3000 + rng_.below(6000);
        std::vector<std::uint8_t> unit(4 + dataBytes);
        rng_.fill(unit.data() + 4, dataBytes);
        std::size_t control = unit.size();
        std::size_t second = control + 24;  // after the 23 bytes below and 0xFF
        const std::uint8_t show[] = {
            0x00, 0x00,  // at once
            static_cast<std::uint8_t>(second >> 8), static_cast<std::uint8_t>(second),
            0x01,                                      // start display
            0x03, 0x01, 0x23,                          // colours
            0x04, 0xFF, 0xF0,                          // contrast
            0x05, 0x0C, 0x06, 0x7F, 0x37, 0x83, 0xFF,  // area 192..1663, 888..1023
            0x06, 0x00, 0x04,                          // top field pixel data
            static_cast<std::uint8_t>((4 + dataBytes / 2) >> 8),
            static_cast<std::uint8_t>(4 + dataBytes / 2)};
        const std::uint8_t hide[] = {0x00, 0xAF,  // 175 x 1024 / 90000 s later
                                     static_cast<std::uint8_t>(second >> 8),
                                     static_cast<std::uint8_t>(second), 0x02, 0xFF};
        unit.insert(unit.end(), show, show + sizeof show);
        unit.push_back(0xFF);
        unit.insert(unit.end(), hide, hide + sizeof hide);
        unit[0] = static_cast<std::uint8_t>(unit.size() >> 8);
        unit[1] = static_cast<std::uint8_t>(unit.size());
        unit[2] = static_cast<std::uint8_t>(control >> 8);
        unit[3] = static_cast<std::uint8_t>(control);

        std::int64_t pts = dts(frame_) + kFrameTicks;
        std::size_t sent = 0;
        while (sent < unit.size()) {
            PesHeader h = sent == 0 ? ptsHeader(pts) : plainHeader();
            std::size_t n = std::min(unit.size() - sent, kPackRoom - 6 - h.size - 1);
            std::uint8_t* p = mux_.packet(beginPack(pts - kMuxLead, PackStream::subpicture), 0xBD, h, n + 1);
            p[0] = 0x20;  // subpicture stream 0
            std::memcpy(p + 1, unit.data() + sent, n);
            sent += n;
        }
    }

    Random rng_;
    std::vector<std::uint8_t> sequence_;
    std::size_t meanFrameBytes_;
    std::array<AudioStream, 3> audio_;
    Muxer mux_;
    int frame_ = 0;
    std::uint32_t navPacks_ = 0;
    std::vector<PackContent> contents_;
};

class Output {
public:
    explicit Output(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) fail("cannot create");
    }
    ~Output() {
        if (fd_ >= 0) ::close(fd_);
    }

    void write(const std::vector<std::uint8_t>& bytes) {
        const std::uint8_t* p = bytes.data();
        std::size_t n = bytes.size();
        while (n > 0) {
            ssize_t w = ::write(fd_, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) fail("cannot write");
            p += w;
            n -= static_cast<std::size_t>(w);
        }
    }

    void close() {
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) fail("cannot close");
    }

private:
    [[noreturn]] void fail(const char* what) {
        std::fprintf(stderr, "strandex-make-evo: %s %s: %s\n", what, path_.c_str(),
                     std::strerror(errno));
        std::exit(1);
    }

    std::string path_;
    int fd_ = -1;
};

}  // namespace

// The command line: OUT, then SIZE_MIB and --feature in either order.
struct Arguments {
    const char* out = nullptr;
    long mib = 1024;
    bool feature = false;
};

bool parseArguments(int argc, char** argv, Arguments& args) {
    if (argc < 2) return false;
    args.out = argv[1];
    bool sized = false;
    for (int k = 2; k < argc; ++k) {
        if (std::strcmp(argv[k], "--feature") == 0 && !args.feature) {
            args.feature = true;
            continue;
        }
        char* end = nullptr;
        long mib = std::strtol(argv[k], &end, 10);
        if (sized || end == argv[k] || *end != '\0') return false;
        if (mib < 1 || mib > 1048576) {
            std::fprintf(stderr, "strandex-make-evo: SIZE_MIB must be a whole number of MiB\n");
            std::exit(2);
        }
        args.mib = mib;
        sized = true;
    }
    return true;
}

// Each kind of pack's share of the file, and the video's rate.
void printSummary(const Arguments& args, std::uint64_t packs, std::uint64_t frames,
                  std::uint64_t videoBytes, const std::array<std::uint64_t, kPackStreams>& perStream) {
    static constexpr const char* kNames[kPackStreams] = {"navigation", "video",    "audio 0",
                                                         "audio 1",    "audio 2",  "subpicture"};
    std::uint64_t bytes = packs * kPackSize;
    std::printf("%s: %llu bytes, %llu packs (%s)\n", args.out, static_cast<unsigned long long>(bytes),
                static_cast<unsigned long long>(packs), args.feature ? "feature" : "synthetic");
    double seconds = static_cast<double>(frames) * 1001.0 / 24000.0;
    std::printf("video: %llu frames, payload %.1f %% of the bytes", static_cast<unsigned long long>(frames),
                100.0 * static_cast<double>(videoBytes) / static_cast<double>(bytes));
    if (seconds > 0) std::printf(", %.2f Mbit/s", static_cast<double>(videoBytes) * 8 / seconds / 1e6);
    std::printf("\npacks:");
    for (std::size_t k = 0; k < kPackStreams; ++k)
        std::printf("%s %s %.2f %%", k == 0 ? "" : ",", kNames[k],
                    100.0 * static_cast<double>(perStream[k]) / static_cast<double>(packs));
    std::printf("\n");
}

int main(int argc, char** argv) {
    Arguments args;
    if (!parseArguments(argc, argv, args)) {
        std::fprintf(stderr, "usage: strandex-make-evo OUT [SIZE_MIB] [--feature]   (default 1024)\n");
        return 2;
    }
    const std::uint64_t totalPacks = static_cast<std::uint64_t>(args.mib) * (1048576 / kPackSize);

    Output out(args.out);
    EvoWriter evo(args.feature ? featureShape() : syntheticShape());
    std::vector<std::uint8_t> group;
    std::vector<std::uint8_t> pending;  // written in runs of about 8 MiB
    constexpr std::size_t kFlushAt = 8u << 20;
    pending.reserve(kFlushAt + (4u << 20));
    group.reserve(4u << 20);
    std::uint64_t packs = 0;
    std::uint64_t frames = 0;
    std::uint64_t videoBytes = 0;
    std::array<std::uint64_t, kPackStreams> perStream{};
    while (packs < totalPacks) {
        evo.buildGroup(group);
        std::uint64_t take = std::min<std::uint64_t>(group.size() / kPackSize, totalPacks - packs);
        pending.insert(pending.end(), group.begin(),
                       group.begin() + static_cast<std::ptrdiff_t>(take * kPackSize));
        for (std::uint64_t k = 0; k < take; ++k) {
            const auto& content = evo.packContents()[k];
            frames += content.frameStart ? 1 : 0;
            videoBytes += content.videoBytes;
            ++perStream[static_cast<std::size_t>(content.stream)];
        }
        packs += take;
        if (pending.size() >= kFlushAt) {
            out.write(pending);
            pending.clear();
        }
    }
    out.write(pending);
    out.close();
    printSummary(args, packs, frames, videoBytes, perStream);
    return 0;
}
