// strandex-sample-disc DIR: writes a small HD DVD folder to try the program
// on without a disc:
//
//   DIR/HVDVD_TS/FEATURE_1.EVO   108 frames (4.5 s), about 5 MB
//   DIR/HVDVD_TS/FEATURE_2.EVO   the next 48 frames (2 s), about 2 MB
//   DIR/ADV_OBJ/VPLST000.XPL     a playlist whose second title plays both
//
// The EVO files are runs of 2048-byte packs made with the test pack builder.
// Every group of 12 frames begins with a navigation pack (pack header,
// system header with audio_bound 3 and video_bound 1, two 0xBF packets) and
// ends with a padding pack. The streams, each with its own PES packets:
//   - VC-1 video in 0xFD, stream id extension 0x55 (video stream 0): every
//     frame starts a packet carrying PTS and DTS and begins with the frame
//     start code 00 00 01 0D; the first frame of a group follows an advanced
//     profile sequence header (1920x1080, 24000/1001 fps) and an entry point.
//     The picture data is filler in which no start code can appear;
//   - DD+ 640 kbit/s in substream 0xC0 and DD+ 384 kbit/s in 0xC1 (audio
//     streams 0 and 1), E-AC-3 5.1 at 48 kHz;
//   - DD 448 kbit/s 3/2 with LFE in 0x82 (audio stream 2). Not 0x80: DD
//     0x80 and DD+ 0xC0 both name audio stream 0;
//   - a subpicture unit in 0x20 every 36 frames, each with its PTS.
// Audio frames carry a real header and filler after it. Timestamps run on
// from the first file into the second, as in a feature split over two files.
// The output depends on nothing but this program: the same bytes each time.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/pack_builder.h"

namespace {

using strandex::test::Bytes;
using strandex::test::Pes;
using strandex::test::operator+;
using strandex::test::operator+=;

constexpr std::size_t kPackSize = strandex::test::kPackSize;
constexpr std::size_t kPackRoom = kPackSize - 14;  // after a pack header without stuffing
constexpr std::int64_t kFirstPts = 120000;         // 90 kHz: 1.333 s
constexpr int kGroupFrames = 12;
constexpr int kSubpictureEvery = 36;
constexpr std::int64_t kAudioFrameTicks = 2880;  // 1536 samples at 48 kHz
constexpr std::int64_t kPackTicks = 147;         // 2048 bytes at the 10.08 Mbit/s mux rate
constexpr std::int64_t kMuxLead = 45000;         // packs arrive 0.5 s before they are due

// Frame n of the feature is shown at n x 1001/24000 s.
std::int64_t frameTime(std::int64_t n) { return kFirstPts + n * 15015 / 4; }

// Frames in decoding order within a group, by their display position:
// I0 P3 B1 B2 P6 B4 B5 P9 B7 B8 P11 B10.
constexpr int kDecodeOrder[kGroupFrames] = {0, 3, 1, 2, 6, 4, 5, 9, 7, 8, 11, 10};

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
    // Zero bits up to the byte boundary.
    Bytes align() {
        while (used_ != 0) put(0, 1);
        return bytes_;
    }
    // The closing 1 bit of a header, then the alignment.
    Bytes finish() {
        put(1, 1);
        return align();
    }

private:
    Bytes bytes_;
    std::uint8_t acc_ = 0;
    int used_ = 0;
};

// VC-1 advanced profile sequence header and entry point, each with its start
// code: level 3, 4:2:0, 1920x1080, pulldown, progressive, display extension
// 1920x1080, square samples, 24000/1001 fps, BT.709 colour.
Bytes vc1SequenceStart() {
    BitWriter seq;
    seq.put(3, 2);      // PROFILE: advanced
    seq.put(3, 3);      // LEVEL
    seq.put(1, 2);      // COLORDIFF_FORMAT: 4:2:0
    seq.put(7, 3);      // FRMRTQ_POSTPROC
    seq.put(31, 5);     // BITRTQ_POSTPROC
    seq.put(0, 1);      // POSTPROCFLAG
    seq.put(959, 12);   // MAX_CODED_WIDTH: 1920 / 2 - 1
    seq.put(539, 12);   // MAX_CODED_HEIGHT: 1080 / 2 - 1
    seq.put(1, 1);      // PULLDOWN
    seq.put(0, 1);      // INTERLACE
    seq.put(0, 1);      // TFCNTRFLAG
    seq.put(0, 1);      // FINTERPFLAG
    seq.put(1, 1);      // reserved
    seq.put(0, 1);      // PSF
    seq.put(1, 1);      // DISPLAY_EXT
    seq.put(1919, 14);  // DISP_HORIZ_SIZE
    seq.put(1079, 14);  // DISP_VERT_SIZE
    seq.put(1, 1);      // ASPECT_RATIO_FLAG
    seq.put(1, 4);      // ASPECT_RATIO: 1:1
    seq.put(1, 1);      // FRAMERATE_FLAG
    seq.put(0, 1);      // FRAMERATEIND
    seq.put(1, 8);      // FRAMERATENR: 24000
    seq.put(2, 4);      // FRAMERATEDR: 1001
    seq.put(1, 1);      // COLOR_FORMAT_FLAG
    seq.put(1, 8);      // COLOR_PRIM: BT.709
    seq.put(1, 8);      // TRANSFER_CHAR: BT.709
    seq.put(1, 8);      // MATRIX_COEF: BT.709
    seq.put(0, 1);      // HRD_PARAM_FLAG
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
    entry.put(1, 1);  // OVERLAP
    entry.put(1, 2);  // QUANTIZER: explicit in the frame headers
    entry.put(0, 1);  // CODED_SIZE_FLAG
    entry.put(0, 1);  // RANGE_MAPY_FLAG
    entry.put(0, 1);  // RANGE_MAPUV_FLAG
    return Bytes{0x00, 0x00, 0x01, 0x0F} + seq.finish() + Bytes{0x00, 0x00, 0x01, 0x0E} +
           entry.finish();
}

enum class FrameType { I, P, B };

FrameType typeAt(int displayInGroup) {
    if (displayInGroup == 0) return FrameType::I;
    if (displayInGroup % 3 == 0 || displayInGroup == kGroupFrames - 1) return FrameType::P;
    return FrameType::B;
}

// The start code and the first fields of a progressive frame header: PTYPE,
// RPTFRM (there for pulldown), RNDCTRL and PQINDEX.
Bytes vc1FrameHeader(FrameType type) {
    BitWriter bits;
    switch (type) {
        case FrameType::I: bits.put(6, 3); break;  // 110
        case FrameType::P: bits.put(0, 1); break;  // 0
        case FrameType::B: bits.put(2, 2); break;  // 10
    }
    bits.put(0, 2);  // RPTFRM
    bits.put(0, 1);  // RNDCTRL
    bits.put(type == FrameType::B ? 9 : 6, 5);  // PQINDEX
    bits.put(1, 1);
    return Bytes{0x00, 0x00, 0x01, 0x0D} + bits.align();
}

// Filler bytes 0x10 to 0xEF: no start code and no audio sync word can appear
// in them, and no payload that starts with them looks like the tail of one.
void appendFiller(Bytes& out, std::size_t n, std::mt19937& rng) {
    out.reserve(out.size() + n);
    std::uint32_t word = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k % 4 == 0) word = static_cast<std::uint32_t>(rng());
        out.push_back(static_cast<std::uint8_t>(0x10 + ((word >> (8 * (k % 4))) & 0xFF) % 0xE0));
    }
}

// An E-AC-3 frame, 48 kHz, 6 blocks, 3/2 with LFE, bsid 16; frmsiz is the
// frame size in 16-bit words less one.
Bytes eac3Frame(int frmsiz, std::mt19937& rng) {
    Bytes f{0x0B, 0x77,
            static_cast<std::uint8_t>((frmsiz >> 8) & 0x07),  // strmtyp 0, substreamid 0
            static_cast<std::uint8_t>(frmsiz),
            0x3F,   // fscod 0, numblkscod 3, acmod 7, lfeon 1
            0x87,   // bsid 16, dialnorm 31 (high bits)
            0xC0};  // dialnorm (low bits), no compr, no mixing or info metadata
    appendFiller(f, static_cast<std::size_t>(frmsiz + 1) * 2 - f.size(), rng);
    return f;
}

// An AC-3 frame, 48 kHz, 448 kbit/s (frmsizecod 30: 1792 bytes), bsid 8,
// bsmod 0, 3/2 with LFE.
Bytes ac3Frame(std::mt19937& rng) {
    Bytes f{0x0B, 0x77, 0x00, 0x00,  // crc1, not computed
            0x1E,                    // fscod 0, frmsizecod 30
            0x40,                    // bsid 8, bsmod 0
            0xE1,                    // acmod 7, cmixlev 0, surmixlev 0, lfeon 1
            0xF8};                   // dialnorm 31, no compr, langcod or audprodie
    appendFiller(f, 1792 - f.size(), rng);
    return f;
}

// A subpicture unit: a 64x4 bar in colour 1, shown for 1.5 s.
Bytes subpictureUnit() {
    Bytes rle{0x00, 0x01, 0x00, 0x01,   // top field: lines 0 and 2, colour 1 to the end
              0x00, 0x01, 0x00, 0x01};  // bottom field: lines 1 and 3
    const std::uint16_t first = 4 + 8, second = first + 24, size = second + 6;
    auto be16 = [](std::uint16_t v) { return Bytes{static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v)}; };
    auto coordinates = [](int a, int b) {
        return Bytes{static_cast<std::uint8_t>(a >> 4),
                     static_cast<std::uint8_t>(((a & 0x0F) << 4) | (b >> 8)),
                     static_cast<std::uint8_t>(b)};
    };
    Bytes unit = be16(size) + be16(first) + rle;
    unit += be16(0) + be16(second);                  // at once; then the next sequence
    unit += Bytes{0x03, 0x32, 0x10, 0x04, 0xFF, 0xF0};  // colours, contrast
    unit += Bytes{0x05} + coordinates(296, 359) + coordinates(400, 403);
    unit += Bytes{0x06} + be16(4) + be16(8);           // field offsets
    unit += Bytes{0x01, 0xFF};                         // show
    unit += be16(132) + be16(second) + Bytes{0x02, 0xFF};  // hide after 132 x 1024 / 90000 s
    if (unit.size() != size) throw std::logic_error("subpicture unit size");
    return unit;
}

void putBe32(Bytes& out, std::size_t at, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) out[at + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(v >> (24 - 8 * k));
}

// One pack's packets and the moment they are due (DTS or PTS, 90 kHz).
struct Item {
    std::int64_t due;
    std::vector<Bytes> packets;
};

// A packet's payload length for a room of `room` bytes: all that is left,
// but never so much that 1 to 5 bytes stay free, too few for a padding packet.
std::size_t payloadLength(std::size_t left, std::size_t room) {
    std::size_t n = std::min(left, room);
    if (room - n > 0 && room - n < 6) n = room - 6;
    return n;
}

void addVideoFrame(std::vector<Item>& items, const Bytes& frame, std::int64_t pts, std::int64_t dts) {
    std::size_t pos = 0;
    while (pos < frame.size()) {
        Pes pes;
        pes.streamId = 0xFD;
        pes.streamIdExtension = 0x55;
        std::size_t headerSize = 9 + 3;  // fixed part, extension flags and extension 2
        if (pos == 0) {
            pes.pts = static_cast<std::uint64_t>(pts);
            pes.dts = static_cast<std::uint64_t>(dts);
            headerSize += 10;
        }
        std::size_t n = payloadLength(frame.size() - pos, kPackRoom - headerSize);
        pes.payload.assign(frame.begin() + static_cast<std::ptrdiff_t>(pos),
                           frame.begin() + static_cast<std::ptrdiff_t>(pos + n));
        Bytes packet = strandex::test::pesPacket(pes);
        // The builder sets the stream_id_extension_flag; a real stream
        // clears it, as the extension follows.
        packet[headerSize - 1] &= 0x7F;
        items.push_back({dts, {packet}});
        pos += n;
    }
}

// An audio stream of equal-size frames, frame 0 at `firstPts`, cut into
// private stream 1 packets. The 4-byte substream header holds the id, the
// number of frames that start in the packet and the 1-based position of the
// first of them; a packet in which a frame starts carries that frame's PTS.
void addAudio(std::vector<Item>& items, std::uint8_t substream, const std::vector<Bytes>& frames,
              std::int64_t firstPts) {
    Bytes es;
    for (const auto& f : frames) es += f;
    const std::size_t frameSize = frames.front().size();
    std::size_t pos = 0;
    while (pos < es.size()) {
        std::size_t nextStart = (pos + frameSize - 1) / frameSize * frameSize;
        bool timed = nextStart < es.size() && nextStart < pos + kPackRoom - 18;
        std::size_t n = payloadLength(es.size() - pos, kPackRoom - (timed ? 18 : 13));
        bool starting = nextStart < pos + n;
        timed = timed && starting;
        std::size_t starts = starting ? (pos + n - 1 - nextStart) / frameSize + 1 : 0;
        std::size_t pointer = starting ? nextStart - pos + 1 : 0;
        Bytes payload(4 + n);
        payload[0] = substream;
        payload[1] = static_cast<std::uint8_t>(starts);
        payload[2] = static_cast<std::uint8_t>(pointer >> 8);
        payload[3] = static_cast<std::uint8_t>(pointer);
        std::copy_n(es.begin() + static_cast<std::ptrdiff_t>(pos), n, payload.begin() + 4);
        std::optional<std::uint64_t> pts;
        if (timed)
            pts = static_cast<std::uint64_t>(firstPts + static_cast<std::int64_t>(nextStart / frameSize) * kAudioFrameTicks);
        std::int64_t due = firstPts + static_cast<std::int64_t>(pos / frameSize) * kAudioFrameTicks;
        items.push_back({due, {strandex::test::privateStream1(payload, pts)}});
        pos += n;
    }
}

// The navigation pack of a group: system header, then the presentation and
// the search information packets (substreams 0 and 1), the first holding
// the group's start and end times.
Item navigationItem(std::int64_t due, std::int64_t start, std::int64_t end) {
    Bytes pci(980, 0);
    putBe32(pci, 13, static_cast<std::uint32_t>(start));
    putBe32(pci, 17, static_cast<std::uint32_t>(end));
    Bytes dsi(1018, 0);
    dsi[0] = 0x01;
    return {due, {strandex::test::systemHeader(3, 1), strandex::test::navigationPacket(pci),
                  strandex::test::navigationPacket(dsi)}};
}

// A 2048-byte pack with its SCR; what its packets leave free is padding.
Bytes packAt(std::int64_t scr, const std::vector<Bytes>& packets) {
    Bytes out = Bytes{0x00, 0x00, 0x01, 0xBA} + strandex::test::packHeader(static_cast<std::uint64_t>(scr));
    for (const auto& p : packets) out += p;
    if (out.size() > kPackSize || (out.size() < kPackSize && kPackSize - out.size() < 6))
        throw std::logic_error("packets do not fill a pack");
    if (out.size() < kPackSize) out += strandex::test::paddingPacket(kPackSize - out.size());
    return out;
}

// The feature's frames [firstFrame, firstFrame + frames) as one EVO file.
Bytes featureFile(int firstFrame, int frames, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<Item> items;
    const Bytes sequenceStart = vc1SequenceStart();
    for (int g = firstFrame / kGroupFrames; g < (firstFrame + frames) / kGroupFrames; ++g) {
        int first = g * kGroupFrames;
        std::int64_t groupDts = frameTime(first - 1);
        items.push_back(navigationItem(groupDts, frameTime(first), frameTime(first + kGroupFrames)));
        for (int k = 0; k < kGroupFrames; ++k) {
            int display = kDecodeOrder[k];
            FrameType type = typeAt(display);
            Bytes frame = type == FrameType::I ? sequenceStart : Bytes{};
            frame += vc1FrameHeader(type);
            std::size_t size = type == FrameType::I ? 90000 : type == FrameType::P ? 40000 : 18000;
            appendFiller(frame, size + rng() % (size / 4), rng);
            addVideoFrame(items, frame, frameTime(first + display), frameTime(first + k - 1));
        }
        items.push_back({frameTime(first + kGroupFrames - 1), {strandex::test::paddingPacket(kPackRoom)}});
    }

    // Audio frames that start while this file's pictures are shown.
    std::int64_t begin = frameTime(firstFrame) - kFirstPts, end = frameTime(firstFrame + frames) - kFirstPts;
    std::int64_t j0 = (begin + kAudioFrameTicks - 1) / kAudioFrameTicks;
    std::int64_t j1 = (end + kAudioFrameTicks - 1) / kAudioFrameTicks;
    std::int64_t audioPts = kFirstPts + j0 * kAudioFrameTicks;
    std::vector<Bytes> ddPlus640, ddPlus384, dd448;
    for (std::int64_t j = j0; j < j1; ++j) {
        ddPlus640.push_back(eac3Frame(1279, rng));
        ddPlus384.push_back(eac3Frame(767, rng));
        dd448.push_back(ac3Frame(rng));
    }
    addAudio(items, 0xC0, ddPlus640, audioPts);
    addAudio(items, 0xC1, ddPlus384, audioPts);
    addAudio(items, 0x82, dd448, audioPts);

    const Bytes unit = subpictureUnit();
    for (int f = firstFrame; f < firstFrame + frames; ++f) {
        if (f % kSubpictureEvery != kGroupFrames) continue;
        auto pts = static_cast<std::uint64_t>(frameTime(f));
        items.push_back({frameTime(f), {strandex::test::privateStream1(
                                           strandex::test::subpicturePayload(0x20, unit), pts)}});
    }

    std::stable_sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.due < b.due; });
    Bytes out;
    out.reserve(items.size() * kPackSize);
    std::int64_t scr = 0;
    for (const auto& item : items) {
        scr = std::max(item.due - kMuxLead, scr + kPackTicks);
        out += packAt(scr, item.packets);
    }
    return out;
}

const char* const kPlaylist = R"(<?xml version="1.0" encoding="UTF-8"?>
<!-- A sample playlist: the feature of the second title is split over two files -->
<Playlist majorVersion="1" minorVersion="0" displayName="Strandex sample disc">
  <MediaAttributeList>
    <VideoAttributeItem index="1" codec="VC-1" sampleAspectRatio="16:9" frameRate="24000/1001"/>
    <AudioAttributeItem index="1" codec="DD+" sampleFrequency="48" channels="6" bitrate="640"/>
    <AudioAttributeItem index="2" codec="DD+" sampleFrequency="48" channels="6" bitrate="384"/>
    <AudioAttributeItem index="3" codec="DD" sampleFrequency="48" channels="6" bitrate="448"/>
    <SubpictureAttributeItem index="1" codec="2bitRLE"/>
  </MediaAttributeList>
  <TitleSet>
    <Title titleNumber="1" displayName="Trailer" titleDuration="00:00:30:00">
      <PrimaryAudioVideoClip src="file:///dvddisc/HVDVD_TS/TRAILER.MAP" titleTimeBegin="00:00:00:00" titleTimeEnd="00:00:30:00">
        <Video track="1" mediaAttr="1"/>
        <Audio track="1" streamNumber="1" mediaAttr="2" description="en"/>
      </PrimaryAudioVideoClip>
    </Title>
    <Title titleNumber="2" displayName="The Braid" titleDuration="00:00:06:12">
      <PrimaryAudioVideoClip src="file:///dvddisc/HVDVD_TS/FEATURE_1.MAP" titleTimeBegin="00:00:00:00" titleTimeEnd="00:00:04:12">
        <Video track="1" mediaAttr="1"/>
        <Audio track="1" streamNumber="1" mediaAttr="1" description="en"/>
        <Audio track="2" streamNumber="2" mediaAttr="2" description="de"/>
        <Audio track="3" streamNumber="3" mediaAttr="3" description="en"/>
        <Subtitle track="1" streamNumber="1" mediaAttr="1" description="en"/>
      </PrimaryAudioVideoClip>
      <PrimaryAudioVideoClip src="file:///dvddisc/HVDVD_TS/FEATURE_2.MAP" titleTimeBegin="00:00:04:12" titleTimeEnd="00:00:06:12">
        <Video track="1" mediaAttr="1"/>
        <Audio track="1" streamNumber="1" mediaAttr="1" description="en"/>
        <Audio track="2" streamNumber="2" mediaAttr="2" description="de"/>
        <Audio track="3" streamNumber="3" mediaAttr="3" description="en"/>
        <Subtitle track="1" streamNumber="1" mediaAttr="1" description="en"/>
      </PrimaryAudioVideoClip>
      <ChapterList>
        <Chapter titleTimeBegin="00:00:00:00" displayName="Three strands"/>
        <Chapter titleTimeBegin="00:00:02:00" displayName="Over and under"/>
        <Chapter titleTimeBegin="00:00:04:12" displayName="The second file"/>
      </ChapterList>
    </Title>
  </TitleSet>
</Playlist>
)";

void writeFile(const std::filesystem::path& path, const Bytes& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(content.data()), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: strandex-sample-disc DIR\n");
        return 2;
    }
    try {
        std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir / "HVDVD_TS");
        std::filesystem::create_directories(dir / "ADV_OBJ");
        writeFile(dir / "HVDVD_TS" / "FEATURE_1.EVO", featureFile(0, 9 * kGroupFrames, 1));
        writeFile(dir / "HVDVD_TS" / "FEATURE_2.EVO", featureFile(9 * kGroupFrames, 4 * kGroupFrames, 2));
        std::string playlist = kPlaylist;
        writeFile(dir / "ADV_OBJ" / "VPLST000.XPL", Bytes(playlist.begin(), playlist.end()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "strandex-sample-disc: %s\n", e.what());
        return 1;
    }
    return 0;
}
