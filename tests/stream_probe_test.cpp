// The stream probe against real streams: ffmpeg's AC-3, E-AC-3, DTS,
// TrueHD and MLP encodings, the H.264, VC-1 and MPEG-2 fixtures, carried in
// the substreams and packets a disc gives them and read by the engine; each
// gives what ffprobe reads in the same file (stream_probe.probe.txt,
// vc1.probe.txt). Then the rules ffprobe cannot show: the coding of a DD+
// substream as its frames show it, a header found only in a later chunk,
// the probe giving up, and bad bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "analysers/ac3_frames.h"
#include "engine/demux.h"
#include "engine/stream_probe.h"
#include "support/engine_checks.h"
#include "support/engine_harness.h"
#include "support/fixture_files.h"
#include "support/pack_builder.h"
#include "support/probe_report.h"
#include "support/stream_fuzz.h"

using namespace strandex;
using namespace strandex::test;

namespace {

constexpr std::size_t kPiece = 2000;  // payload bytes a pack, as a disc's packs hold about

// The stream cut into packs of one private stream 1 packet each, the first
// with a PTS.
Bytes substreamPacks(std::uint8_t substream, const Bytes& stream) {
    Bytes file;
    for (std::size_t at = 0; at < stream.size(); at += kPiece) {
        Bytes piece(stream.begin() + static_cast<long>(at),
                    stream.begin() + static_cast<long>(std::min(stream.size(), at + kPiece)));
        Bytes payload = (substream & 0xF8) == 0xB0 ? mlpPayload(substream, piece) : ac3Payload(substream, piece);
        file += pack({privateStream1(payload, at == 0 ? std::optional<std::uint64_t>(90000) : std::nullopt)});
    }
    return file;
}

Bytes videoPacks(std::uint8_t streamId, const Bytes& stream) {
    Bytes file;
    for (std::size_t at = 0; at < stream.size(); at += kPiece) {
        Bytes piece(stream.begin() + static_cast<long>(at),
                    stream.begin() + static_cast<long>(std::min(stream.size(), at + kPiece)));
        file += pack({streamId == 0xFD ? vc1Packet(0x55, piece) : videoPacket(streamId, piece, 90000)});
    }
    return file;
}

// The facts a scan of the bytes leaves.
StreamFacts scanFacts(const Bytes& file) {
    Harness h;
    h.run(file);
    return h.session.facts;
}

// ffprobe's entry for a file (and stream index) of a report.
ProbeEntry probed(const std::string& report, const std::string& file, const std::string& index = "0") {
    for (const ProbeEntry& e : readProbeReport(fixture(report)))
        if (e.at("file") == file && (!e.count("index") || e.at("index") == index)) return e;
    ADD_FAILURE() << "no entry for " << file;
    return {};
}

int number(const ProbeEntry& e, const std::string& key) {
    auto it = e.find(key);
    return it == e.end() || it->second == "N/A" ? 0 : std::stoi(it->second);
}

std::string rate(const SlotFacts& f) {
    return std::to_string(f.frameRateNum) + "/" + std::to_string(f.frameRateDen);
}

void expectAudioAsProbed(const SlotFacts& f, const ProbeEntry& e) {
    EXPECT_TRUE(f.met);
    EXPECT_EQ(f.channels, number(e, "channels"));
    EXPECT_EQ(f.sampleRate, number(e, "sample_rate"));
    EXPECT_EQ(f.bitRate, number(e, "bit_rate"));  // 0 where ffprobe gives none (TrueHD, MLP)
    bool lfe = e.at("channel_layout").find(".1") != std::string::npos;
    EXPECT_EQ(f.lfe, lfe);
    EXPECT_TRUE(f.probe.done);
}

// The AC-3 tables as a run sets them.
Ac3Tables runTables() {
    static StreamTable table;
    static bool reset = (resetForRun(table), true);
    (void)reset;
    return Ac3Tables{table.AC3SampleRates, table.AC3BitRates};
}

struct AudioCase {
    const char* file;
    std::uint8_t substream;
    ContentCoding coding;
};

}  // namespace

// ac3 in a DD substream, E-AC-3 in a DD+ one, AC-3 in a DD+ one (its frames
// say AC-3), DTS in a DTS-HD substream, TrueHD and MLP in MLP substreams.
TEST(StreamProbe, AudioFixturesGiveWhatFfprobeReads) {
    const AudioCase cases[] = {
        {"ac3_51.ac3", 0x80, ContentCoding::Ac3},
        {"ac3_stereo_44k.ac3", 0x81, ContentCoding::Ac3},
        {"ac3_51.ac3", 0xC2, ContentCoding::Ac3},
        {"eac3_51.eac3", 0xC0, ContentCoding::Eac3},
        {"eac3_stereo.eac3", 0xC9, ContentCoding::Eac3},
        {"dts_51.dts", 0x88, ContentCoding::Dts},
        {"dts_stereo.dts", 0x89, ContentCoding::Dts},
        {"truehd_51.thd", 0xB0, ContentCoding::TrueHd},
        {"truehd_stereo_96k.thd", 0xB1, ContentCoding::TrueHd},
        {"mlp_stereo.mlp", 0xB0, ContentCoding::Mlp},
        {"mlp_51.mlp", 0xB2, ContentCoding::Mlp},
    };
    for (const AudioCase& c : cases) {
        SCOPED_TRACE(c.file);
        StreamFacts facts = scanFacts(substreamPacks(c.substream, readFile(fixture(c.file))));
        const SlotFacts& f = facts.audio[c.substream & ((c.substream & 0xF0) == 0xC0 ? 0x0F : 0x07)];
        EXPECT_EQ(f.coding, c.coding);
        expectAudioAsProbed(f, probed("stream_probe.probe.txt", c.file));
    }
}

// The picture rate of the VC-1, H.264 and MPEG-2 fixtures is ffprobe's
// r_frame_rate: 24000/1001 and 30/1 (VC-1 FRAMERATENR/DR and FRAMERATEEXP),
// 25/1 (H.264 VUI timing, MPEG-2 frame_rate_code 3).
TEST(StreamProbe, VideoFixturesGiveFfprobesFrameRate) {
    for (const char* file : {"vc1_1080p.vc1", "vc1_480i.vc1"}) {
        SCOPED_TRACE(file);
        StreamFacts facts = scanFacts(videoPacks(0xFD, readFile(fixture(file))));
        EXPECT_EQ(facts.video[0].coding, ContentCoding::Vc1);
        EXPECT_EQ(rate(facts.video[0]), probed("vc1.probe.txt", file).at("r_frame_rate"));
    }
    for (const char* file : {"h264_high41.video.h264", "h264_high1b.video.h264", "h264_baseline1b.video.h264"}) {
        SCOPED_TRACE(file);
        StreamFacts facts = scanFacts(videoPacks(0xE2, readFile(fixture(file))));
        EXPECT_EQ(facts.video[0].coding, ContentCoding::H264);
        EXPECT_EQ(rate(facts.video[0]), probed("stream_probe.probe.txt", file).at("r_frame_rate"));
    }
    for (const char* file : {"two_ac3.vob", "lpcm_ac3.vob", "open_gop.mpg"}) {
        SCOPED_TRACE(file);
        StreamFacts facts = scanFacts(readFile(fixture(file)));
        EXPECT_EQ(facts.video[0].coding, ContentCoding::Mpeg2);
        std::string index = std::string(file) == "open_gop.mpg" ? "0" : "1";
        EXPECT_EQ(rate(facts.video[0]), probed("stream_probe.probe.txt", file, index).at("r_frame_rate"));
    }
}

// ffmpeg's VOBs: the AC-3 tracks and the 16-bit stereo LPCM track, whose
// bit rate is bits x rate x channels.
TEST(StreamProbe, VobAudioGivesWhatFfprobeReads) {
    StreamFacts two = scanFacts(readFile(fixture("two_ac3.vob")));
    for (std::size_t slot : {0u, 1u}) {
        EXPECT_EQ(two.audio[slot].coding, ContentCoding::Ac3);
        expectAudioAsProbed(two.audio[slot], probed("stream_probe.probe.txt", "two_ac3.vob", std::to_string(slot + 2)));
    }
    StreamFacts lpcm = scanFacts(readFile(fixture("lpcm_ac3.vob")));
    EXPECT_EQ(lpcm.audio[0].coding, ContentCoding::Lpcm);
    EXPECT_EQ(lpcm.audio[0].lpcm.bitsPerSample, 16);
    expectAudioAsProbed(lpcm.audio[0], probed("stream_probe.probe.txt", "lpcm_ac3.vob", "2"));
}

// A DD+ substream is E-AC-3 as soon as one of its frames is, even after an
// AC-3 frame (the core of a stream whose dependent frames extend it); its
// channels are the independent frame's.
TEST(StreamProbe, OneEnhancedFrameMakesTheSubstreamEac3) {
    Bytes ac3 = head(readFile(fixture("ac3_51.ac3")), 1792);   // one 448 kbit/s frame
    Bytes eac3 = head(readFile(fixture("eac3_stereo.eac3")), 384);
    StreamFacts mixed = scanFacts(substreamPacks(0xC4, ac3 + eac3 + ac3));
    EXPECT_EQ(mixed.audio[4].coding, ContentCoding::Eac3);
    EXPECT_EQ(mixed.audio[4].channels, 6);
    EXPECT_EQ(mixed.audio[4].bitRate, 448000);

    StreamFacts plain = scanFacts(substreamPacks(0xC4, ac3 + ac3 + ac3));
    EXPECT_EQ(plain.audio[4].coding, ContentCoding::Ac3);
    EXPECT_EQ(plain.audio[4].probe.frames, 2);  // two frames in the first chunk decide
}

// A first chunk without a whole header leaves the probe looking; the next
// chunks give it. Chunks without one end the probe after kProbeChunks.
TEST(StreamProbe, LaterChunksAreProbedUntilAHeaderOrTheLimit) {
    Bytes dts = readFile(fixture("dts_51.dts"));
    Bytes noise(kPiece, 0x55);
    StreamFacts late = scanFacts(substreamPacks(0x88, noise + noise + dts));
    EXPECT_EQ(late.audio[0].probe.chunks, 3);
    EXPECT_EQ(late.audio[0].channels, 6);

    Bytes nothing(kPiece * (kProbeChunks + 4), 0x00);
    StreamFacts none = scanFacts(substreamPacks(0xB3, nothing));
    EXPECT_TRUE(none.audio[3].probe.done);
    EXPECT_EQ(none.audio[3].probe.chunks, kProbeChunks);
    EXPECT_EQ(none.audio[3].coding, ContentCoding::TrueHd);  // as its id says
    EXPECT_EQ(none.audio[3].channels, 0);

    StreamFacts cut = scanFacts(substreamPacks(0xC0, head(readFile(fixture("eac3_51.eac3")), 6)));
    EXPECT_EQ(cut.audio[0].sampleRate, 0);  // a header cut after byte 5 gives nothing
}

// A sync word inside a frame's data is not taken as the first header when
// the frame it would give does not end at another sync word.
TEST(StreamProbe, TheFrameWalkStartsAtAHeaderThatLeadsToTheNext) {
    Bytes eac3 = head(readFile(fixture("eac3_51.eac3")), 3 * 1536);
    Bytes lead = {0x00, 0x0B, 0x77, 0x00, 0x10, 0x00, 0x00, 0x80, 0x00};  // E-AC-3 of 34 bytes at 48 kHz
    Ac3Tables tables = runTables();
    Ac3Frames frames = scanAc3Frames((lead + eac3).data(), lead.size() + eac3.size(), tables);
    EXPECT_EQ(frames.headers, 3);
    EXPECT_EQ(frames.first.channels(), 6);
}

// Random and damaged bytes for every coding: the probe reads nothing
// outside the chunk and ends within its limit.
TEST(StreamProbe, RandomBytesNeverCrashAndEndTheProbe) {
    const ContentCoding codings[] = {ContentCoding::Ac3,  ContentCoding::Eac3,   ContentCoding::Dts,
                                     ContentCoding::TrueHd, ContentCoding::Mlp,  ContentCoding::Mpeg2,
                                     ContentCoding::Vc1,  ContentCoding::H264,   ContentCoding::Lpcm};
    const Bytes seeds[] = {readFile(fixture("eac3_51.eac3")), readFile(fixture("dts_51.dts")),
                           readFile(fixture("truehd_51.thd")), readFile(fixture("h264_high41.video.h264")),
                           readFile(fixture("two_ac3.video.m2v")), readFile(fixture("vc1_480i.vc1"))};
    Ac3Tables tables = runTables();
    Dice dice(14);
    for (int round = 0; round < 400; ++round) {
        const Bytes& seed = seeds[dice.below(std::size(seeds))];
        std::size_t length = dice.below(std::min<std::size_t>(seed.size(), 3000));
        Bytes chunk(seed.begin(), seed.begin() + static_cast<long>(length));
        for (std::size_t k = 0; k < length / 16 + 1 && length > 0; ++k) chunk[dice.below(length)] = dice.byte();
        SlotFacts f;
        f.coding = codings[dice.below(std::size(codings))];
        for (int c = 0; c < kProbeChunks + 1; ++c) probePayload(f, tables, chunk.data(), chunk.size());
        EXPECT_TRUE(f.probe.done);
        EXPECT_LE(f.probe.chunks, kProbeChunks);
        EXPECT_GE(f.channels, 0);
        EXPECT_LE(f.channels, 16);
    }
}
