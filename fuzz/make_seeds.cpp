// Writes the seed corpora of the fuzz targets: small streams from the test
// pack builder and header builders, and small pieces of the committed
// fixtures. Built in build-fuzz/ (tools/fuzz configures it):
//   cmake --build build-fuzz --target strandex-fuzz-seeds
//   rm -rf fuzz/corpus && build-fuzz/fuzz/strandex-fuzz-seeds tests/fixtures fuzz/corpus
#include <cstdio>
#include <filesystem>
#include <string>

#include "support/ac3_vc1_headers.h"
#include "support/pack_builder.h"
#include "support/stream_fuzz.h"
#include "support/video_headers.h"

using namespace strandex::test;
namespace fs = std::filesystem;

namespace {

std::string corpusDir;
std::string fixturesDir;

void seed(const std::string& target, const std::string& name, const Bytes& bytes) {
    fs::create_directories(corpusDir + "/" + target);
    std::string path = corpusDir + "/" + target + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

// Bytes [from, from + n) of a fixture, cut to its end.
Bytes fixture(const std::string& name, std::size_t from, std::size_t n) {
    Bytes all = readFile(fixturesDir + "/" + name);
    if (all.empty()) {
        std::fprintf(stderr, "missing fixture %s\n", name.c_str());
        std::exit(1);
    }
    from = std::min(from, all.size());
    n = std::min(n, all.size() - from);
    return Bytes(all.begin() + static_cast<long>(from), all.begin() + static_cast<long>(from + n));
}

Bytes start() { return Bytes{0x00, 0x00, 0x01, 0xBA} + packHeader(90000); }

Bytes video(std::uint8_t id, const Bytes& payload, std::uint64_t pts, std::optional<std::uint64_t> dts = {}) {
    Pes pes;
    pes.streamId = id;
    pes.pts = pts;
    pes.dts = dts;
    pes.payload = payload;
    return pesPacket(pes);
}

Bytes vc1(std::uint8_t extension, const Bytes& payload) {
    Pes pes;
    pes.streamId = 0xFD;
    pes.pts = 90000;
    pes.dts = 86400;
    pes.streamIdExtension = extension;
    pes.payload = payload;
    return pesPacket(pes);
}

Bytes mpeg2Start() {
    return mpeg2::sequenceHeader(720, 576, 3, 3, 1250) + mpeg2::sequenceExtension(false) + mpeg2::groupOfPictures() +
           mpeg2::picture(1) + mpeg2::picture(3) + mpeg2::picture(2);
}

Bytes h264Start() {
    return h264::delimiter(0) + h264::sps(0x67, 100, 0x00, 41) + h264::pps() + h264::idrSlice() + h264::delimiter(2) +
           h264::idrSlice();
}

Bytes vc1Start() {
    return vc1SequenceHeader({}) + vc1EntryPoint() + vc1Frame(12) + vc1Frame(12);
}

Bytes eac3Frame(const Eac3Fields& f) { return eac3Header(f) + randomBytes(24, 7); }

// A stream with one packet of every kind the engine knows.
Bytes everyKind() {
    return start() + systemHeader(3, 2) + video(0xE0, mpeg2Start(), 90000, 86400) + vc1(0x55, vc1Start()) +
           video(0xE3, h264Start(), 93003) + privateStream1(ac3Payload(0xC0, eac3Frame({})), 90000) +
           privateStream1(ac3Payload(0x81, ac3Header({}) + randomBytes(16, 3)), 90000) +
           privateStream1(ac3Payload(0x8A, randomBytes(20, 4))) + privateStream1(lpcmPayload(0xA1, randomBytes(24, 5))) +
           privateStream1(mlpPayload(0xB2, randomBytes(24, 6)), 91000) +
           privateStream1(subpicturePayload(0x23, randomBytes(20, 8)), 95000) +
           privateStream1(subpicturePayload(0x64, randomBytes(20, 9))) + paddingPacket(16) +
           navigationPacket(randomBytes(12, 10)) + programEnd();
}

void engineSeeds(const std::string& target) {
    seed(target, "every-kind", everyKind());
    seed(target, "mpeg2-pack", start() + video(0xE0, mpeg2Start(), 90000, 86400));
    seed(target, "vc1-pstd", [] {
        Pes pes;
        pes.streamId = 0xFD;
        pes.pts = 90000;
        pes.streamIdExtension = 0x56;
        pes.pstd = true;
        pes.stuffing = 3;
        pes.payload = vc1Start();
        return start() + pesPacket(pes);
    }());
    seed(target, "short-header", [] {
        Pes pes;
        pes.streamId = 0xE2;
        pes.pts = 90000;
        pes.headerLength = 2;
        pes.payload = h264Start();
        return start() + pesPacket(pes) + privateStream1(ac3Payload(0xC1, eac3Frame({})), 1);
    }());
    seed(target, "subpictures", start() + privateStream1(subpicturePayload(0x20, randomBytes(40, 11)), 12345) +
                                    privateStream1(subpicturePayload(0x3F, randomBytes(40, 12)), 54321) +
                                    privateStream1(subpicturePayload(0x7F, randomBytes(10, 13))));
    Dice dice(20240);
    seed(target, "random-damaged", randomProgramStream(dice, 1500, true));
    seed(target, "random-clean", randomProgramStream(dice, 1500, false));
    Bytes tagged = taggedProgramStream(dice, 1500).bytes;
    tagged.resize(std::min<std::size_t>(tagged.size(), 2048));
    seed(target, "tagged", tagged);
    // Across the first block boundary: 0xB5, then (byte 1 x 16) bytes end the block.
    seed(target, "straddle-header", Bytes{0xB5, 0x02} + everyKind());
    seed(target, "straddle-payload", Bytes{0xB5, 0x09} + start() + video(0xE1, mpeg2Start() + mpeg2Start(), 90000) +
                                         privateStream1(lpcmPayload(0xA0, randomBytes(40, 14)), 90000));
    seed(target, "dvd-mpeg2-ac3", fixture("two_ac3.vob", 2048, 1024) + fixture("two_ac3.vob", 4096, 700));
    seed(target, "dvd-lpcm", fixture("lpcm_ac3.vob", 4096, 1100));
    seed(target, "dvd-h264", fixture("h264_high1b.vob", 2048, 1200));
}

void analyserSeeds() {
    Bytes slot{0x00, 0x35};
    seed("fuzz_ac3", "eac3", Bytes{0x02, 0x11} + eac3Frame({}));
    seed("fuzz_ac3", "ac3", Bytes{0x00, 0x40} + ac3Header({}) + randomBytes(20, 1));
    seed("fuzz_ac3", "eac3-reserved-then-ac3",
         Bytes{0x05, 0x20} + eac3Header({767, 3, 3, 7, 1, 16}) + randomBytes(10, 2) + ac3Header({0, 28, 8, 0, 7}));
    seed("fuzz_ac3", "sync-in-header", Bytes{0x01, 0x03} + Bytes{0x0B, 0x77, 0x0B, 0x77, 0x10, 0x0B, 0x77, 0x40, 0x80, 0xE0});
    seed("fuzz_ac3", "ffmpeg-eac3-51", slot + fixture("eac3_51.eac3", 0, 160));
    seed("fuzz_ac3", "ffmpeg-eac3-stereo", slot + fixture("eac3_stereo.eac3", 0, 160));
    seed("fuzz_ac3", "ffmpeg-ac3-51", slot + fixture("ac3_51.ac3", 0, 160));
    seed("fuzz_ac3", "ffmpeg-ac3-44k", slot + fixture("ac3_stereo_44k.ac3", 0, 160));

    Bytes pts{0x40, 0x5F, 0x01, 0x00, 0x21};
    seed("fuzz_vc1", "builder", pts + vc1Frame(4) + vc1Start() + vc1Frame(6));
    seed("fuzz_vc1", "interlaced-rate-ind", pts + [] {
        Vc1SequenceFields f;
        f.interlace = 1;
        f.framerateInd = 1;
        f.framerateExp = 959;
        f.aspectRatio = 15;
        f.aspectHorizSize = 16;
        f.aspectVertSize = 9;
        return vc1SequenceHeader(f) + vc1EntryPoint() + vc1Frame(4) + vc1Frame(4);
    }());
    seed("fuzz_vc1", "reserved-rates", pts + [] {
        Vc1SequenceFields f;
        f.framerateNr = 9;
        f.framerateDr = 0;
        f.level = 6;
        f.profile = 1;
        return vc1SequenceHeader(f) + vc1Frame(4) + vc1Frame(4);
    }());
    seed("fuzz_vc1", "ffmpeg-1080p", pts + fixture("vc1_1080p.vc1", 0, 208));
    seed("fuzz_vc1", "ffmpeg-480i", pts + fixture("vc1_480i.vc1", 0, 208));

    seed("fuzz_mpeg2", "builder", pts + mpeg2::picture(1) + mpeg2Start() + mpeg2::picture(4) + mpeg2::picture(0));
    seed("fuzz_mpeg2", "progressive", pts + mpeg2::sequenceHeader(1920, 1080, 3, 4, 20000) +
                                          mpeg2::sequenceExtension(true) + mpeg2::picture(1) + mpeg2::picture(2));
    seed("fuzz_mpeg2", "ffmpeg-two-ac3", pts + fixture("two_ac3.video.m2v", 0, 400));
    seed("fuzz_mpeg2", "ffmpeg-lpcm-ac3", pts + fixture("lpcm_ac3.video.m2v", 0, 400));

    seed("fuzz_h264", "builder", pts + h264::delimiter(1) + h264Start() + h264::sps(0x27, 66, 0x10, 11));
    seed("fuzz_h264", "baseline-1b", pts + h264::delimiter(0) + h264::sps(0x27, 66, 0x10, 11) + h264::delimiter(0));
    seed("fuzz_h264", "ffmpeg-baseline1b", pts + fixture("h264_baseline1b.video.h264", 0, 400));
    seed("fuzz_h264", "ffmpeg-high1b", pts + fixture("h264_high1b.video.h264", 0, 400));
    seed("fuzz_h264", "ffmpeg-high41", pts + fixture("h264_high41.video.h264", 0, 400));
}

Bytes text(const std::string& s) { return Bytes(s.begin(), s.end()); }

void xplSeeds() {
    Bytes whole = fixture("xpl/VPLST000.XPL", 0, 1 << 20);
    seed("fuzz_xpl", "fixture", whole);
    seed("fuzz_xpl", "fixture-head", Bytes(whole.begin(), whole.begin() + 1400));
    seed("fuzz_xpl", "small-title", text(
        "<?xml version=\"1.0\"?>\n<!-- x -->\n<Playlist displayName=\"P\">\n<MediaAttributeList>\n"
        "<VideoAttributeItem index=\"1\" codec=\"VC-1\"/>\n<AudioAttributeItem index=\"2\" codec=\"DD+\" channels=\"6\"/>\n"
        "<AudioAttributeItem index=\"3\" codec=\"DD\"/>\n<SubpictureAttributeItem index=\"1\" codec=\"2bitRLE\"/>\n"
        "</MediaAttributeList>\n<Title displayName=\"T\" titleDuration=\"01:00:00:00\">\n"
        "<PrimaryAudioVideoClip src=\"file:///dvddisc/HVDVD_TS/FEATURE_1.MAP\">\n<Video track=\"1\" mediaAttr=\"1\"/>\n"
        "<Audio streamNumber=\"11\" mediaAttr=\"2\" description=\"en\"/>\n<Audio streamNumber=\"3\" mediaAttr=\"3\"/>\n"
        "<Subtitle streamNumber=\"17\" mediaAttr=\"1\" description=\"fr\"/>\n</PrimaryAudioVideoClip>\n"
        "<ChapterList><Chapter titleTimeBegin=\"00:00:00:00\" displayName=\"A\"/></ChapterList>\n</Title>\n</Playlist>\n"));
    seed("fuzz_xpl", "bad-index", text("<Playlist><VideoAttributeItem index=\"x1\" codec=\"VC-1\"/></Playlist>"));
    seed("fuzz_xpl", "first-line", text("<Title FEATURE_1><Audio streamNumber=\"+2\" mediaAttr=\"-1\"></Title>"));
}

// Bytes 0-4 tick boxes, 5-38 are the slot ids (0xFF empty).
Bytes scene(std::uint8_t ticks, std::uint8_t video0, std::uint8_t audio0, std::uint8_t audio1, std::uint8_t sub0) {
    Bytes s{ticks, ticks, static_cast<std::uint8_t>(ticks ^ 0x5A), ticks, 0x03};
    Bytes ids(34, 0xFF);
    ids[0] = video0;
    ids[1] = 0x56;
    ids[2] = audio0;
    ids[3] = audio1;
    ids[18] = sub0;
    return s + ids;
}

void rebuildSeeds() {
    seed("fuzz_rebuild", "dvd-two-ac3", scene(0xFD, 0xE0, 0x80, 0x81, 0xFF) + fixture("two_ac3.vob", 0, 3 * 2048));
    Bytes shortLast = pack({video(0xE2, h264Start(), 90000)});
    shortLast.resize(100);
    seed("fuzz_rebuild", "builder-packs",
         scene(0xA6, 0x55, 0xC0, 0xC1, 0x20) + pack({systemHeader(2, 1), vc1(0x55, vc1Start())}) +
             pack({privateStream1(ac3Payload(0xC1, eac3Frame({})), 90000)}) +
             pack({privateStream1(subpicturePayload(0x20, randomBytes(30, 1)), 90000)}) + shortLast);
    seed("fuzz_rebuild", "tiny-packs", scene(0x00, 0xE0, 0xC0, 0x88, 0x60) + Bytes{0x00, 0x00, 0x01, 0xBA});
}

// The authored title sets' IFOs, whole and cut inside PGC 1.
void ifoSeeds() {
    seed("fuzz_ifo", "pal", fixture("dvd/pal/VIDEO_TS/VTS_01_0.IFO", 0, 1 << 20));
    seed("fuzz_ifo", "ntsc", fixture("dvd/ntsc/VIDEO_TS/VTS_01_0.IFO", 0, 1 << 20));
    seed("fuzz_ifo", "pal-head", fixture("dvd/pal/VIDEO_TS/VTS_01_0.IFO", 0, 0x1100));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FIXTURES_DIR CORPUS_DIR\n", argv[0]);
        return 2;
    }
    fixturesDir = argv[1];
    corpusDir = argv[2];
    engineSeeds("fuzz_engine_scan");
    engineSeeds("fuzz_engine_write");
    analyserSeeds();
    xplSeeds();
    rebuildSeeds();
    return 0;
}
