// LPCM written as WAV when files are named by codec: the samples equal
// ffmpeg's own decoding of the source for 16, 20 and 24 bits, mono to
// eight channels, 48 and 96 kHz; ffprobe reads the file back; a sample
// block cut between packets is carried; the sizes and the RF64 form; and a
// reserved format byte that gives no WAV.
#include <gtest/gtest.h>

#include <random>

#include "commands/codec_names.h"
#include "commands/demux_command.h"
#include "engine/lpcm_samples.h"
#include "engine/wav_header.h"
#include "support/command_bench.h"
#include "support/engine_checks.h"
#include "support/failing_files.h"
#include "support/lpcm_stream.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

LpcmFormat formatOf(int bits, int rate, int channels) { return LpcmFormat{bits, rate, channels}; }

// The known samples as 32-bit, in the high bits.
Samples widened(const Samples& samples, int bits) {
    Samples s;
    for (std::int32_t v : samples) s.push_back(static_cast<std::int32_t>(static_cast<std::uint32_t>(v) << (32 - bits)));
    return s;
}

std::uint32_t le32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

class LpcmWav : public ::testing::Test, protected CommandBench {
protected:
    LpcmWav() { ui.setTicked(Box::cbCodecFiles, true); }

    // Demuxes the source and gives the WAV of audio slot 0.
    Bytes demuxToWav(const Bytes& stream, Lines* log = nullptr) {
        write("FEATURE_1.EVO", stream);
        readEvo("FEATURE_1.EVO");
        Lines lines = linesOf(bDemuxClick);
        if (log) *log = lines;
        return output("FEATURE_1.LPCM.stream.00.wav");
    }
};

}  // namespace

TEST_F(LpcmWav, SamplesEqualFfmpegsDecodingForEveryDepthChannelCountAndRate) {
    struct Case {
        int bits, rate, channels;
    };
    std::vector<Case> cases;
    for (int bits : {16, 20, 24})
        for (int channels = 1; channels <= 8; ++channels) cases.push_back({bits, 48000, channels});
    for (int bits : {16, 20, 24})
        for (int channels : {2, 6}) cases.push_back({bits, 96000, channels});
    std::uint32_t seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits, " + std::to_string(c.rate) + " Hz, " +
                     std::to_string(c.channels) + " channels");
        // 24 sample frames of every channel count make whole blocks; the
        // packets of 1999 bytes cut blocks between them.
        Samples samples = randomSamples(c.bits, c.channels, 24 * 40, seed++);
        Bytes stream = lpcmSource(discSamples(samples, c.bits, c.channels),
                                  lpcmFormatByte(c.bits, c.rate, c.channels), 1999);
        Bytes wav = demuxToWav(stream);
        LpcmFormat f = formatOf(c.bits, c.rate, c.channels);
        Samples ours = wavSamples(wav, wavHeaderSize(f), 8 * wavSampleBytes(c.bits));
        EXPECT_EQ(ours, widened(samples, c.bits));
        EXPECT_EQ(ours, ffmpegSamples(dir, source()));
        EXPECT_EQ(le32(wav, 4), wav.size() - 8);  // the RIFF size, set at the close
    }
}

TEST_F(LpcmWav, FfprobeReadsTheChannelsRateAndBitsBack) {
    struct Case {
        int bits, rate, channels;
        const char* expected;
    };
    for (const Case& c : {Case{16, 48000, 2, "sample_rate=48000\nchannels=2\nbits_per_sample=16\n"},
                          Case{16, 48000, 6, "sample_rate=48000\nchannels=6\nbits_per_sample=16\n"},
                          Case{20, 96000, 1, "sample_rate=96000\nchannels=1\nbits_per_sample=24\n"},
                          Case{24, 96000, 8, "sample_rate=96000\nchannels=8\nbits_per_sample=24\n"}}) {
        Samples samples = randomSamples(c.bits, c.channels, 96, 7);
        demuxToWav(lpcmSource(discSamples(samples, c.bits, c.channels), lpcmFormatByte(c.bits, c.rate, c.channels)));
        std::string wav = out + "/FEATURE_1.LPCM.stream.00.wav";
        EXPECT_EQ(ffprobeAudio(wav, "sample_rate,channels,bits_per_sample"), c.expected);
    }
    // The 20 valid bits of a 24-bit container are told in the extensible format.
    demuxToWav(lpcmSource(discSamples(randomSamples(20, 2, 96, 8), 20, 2), lpcmFormatByte(20, 48000, 2)));
    Bytes wav = output("FEATURE_1.LPCM.stream.00.wav");
    const std::size_t fmt = 12 + 36 + 8;  // after RIFF, JUNK and the fmt chunk's own header
    EXPECT_EQ(wav[fmt] | wav[fmt + 1] << 8, 0xFFFE);  // WAVE_FORMAT_EXTENSIBLE
    EXPECT_EQ(wav[fmt + 18] | wav[fmt + 19] << 8, 20);  // valid bits per sample
}

TEST_F(LpcmWav, AnFfmpegPcmDvdSourceGivesFfmpegsSamples) {
    // ffmpeg's own DVD muxer and pcm_dvd encoder make the source.
    for (const char* layout : {"-ac 2 -ar 96000 -sample_fmt s32", "-ac 6 -ar 48000 -sample_fmt s16"}) {
        SCOPED_TRACE(layout);
        std::string src = source("FEATURE_1.EVO");
        std::string command = std::string("ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:duration=0.5 ") +
                              layout + " -c:a pcm_dvd -f dvd '" + src + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        readEvo("FEATURE_1.EVO");
        linesOf(bDemuxClick);
        Bytes wav = output("FEATURE_1.LPCM.stream.00.wav");
        const LpcmFormat& f = session.facts.audio[0].lpcm;
        Samples ours = wavSamples(wav, wavHeaderSize(f), 8 * wavSampleBytes(f.bitsPerSample));
        Samples theirs = ffmpegSamples(dir, src);
        EXPECT_GT(theirs.size(), 1000u);
        EXPECT_EQ(ours, theirs);
    }
}

// However the payload is cut, the converter gives what one call gives.
TEST(LpcmToWavCarry, PiecesOfAnyLengthGiveTheWholeStreamsSamples) {
    std::mt19937 random(5);
    for (int bits : {16, 20, 24})
        for (int channels = 1; channels <= 8; ++channels) {
            LpcmFormat f = formatOf(bits, 48000, channels);
            const std::size_t rest = lpcmUnitBytes(f) - 1;  // the most a call can carry
            Bytes payload = randomBytes(lpcmUnitBytes(f) * 37 + rest, static_cast<std::uint32_t>(bits * 10 + channels));
            std::vector<std::uint8_t> whole;
            LpcmToWav(f).convert(payload.data(), payload.size(), whole);
            std::vector<std::uint8_t> pieces;
            LpcmToWav cut(f);
            for (std::size_t at = 0; at < payload.size();) {
                std::size_t n = std::min<std::size_t>(random() % 90, payload.size() - at);
                cut.convert(payload.data() + at, n, pieces);
                at += n;
            }
            EXPECT_EQ(pieces, whole) << bits << " bits, " << channels << " channels";
            EXPECT_EQ(whole.size(), 37u * lpcmUnitSamples(f) * wavSampleBytes(bits));  // the rest is no unit
            EXPECT_EQ(cut.carried(), rest);
        }
}

TEST(WavHeader, SizesAndTheRf64FormPastFourGibibytes) {
    const LpcmFormat stereo = formatOf(16, 48000, 2);
    const LpcmFormat surround = formatOf(24, 96000, 6);
    EXPECT_EQ(wavHeaderSize(stereo), 80u);    // RIFF 12, JUNK 36, fmt 24, data 8
    EXPECT_EQ(wavHeaderSize(surround), 104u);  // fmt 48
    // The RIFF size is the file less 8, a pad byte after odd data included:
    // the largest data that fits is even.
    for (const LpcmFormat& f : {stereo, surround}) {
        const std::uint64_t room = kMaxRiffSize - (wavHeaderSize(f) - 8);  // odd
        EXPECT_FALSE(needsRf64(f, room - 1));
        EXPECT_TRUE(needsRf64(f, room));
        EXPECT_TRUE(needsRf64(f, room + 1));
    }

    Bytes small = wavHeader(stereo, 1000);
    EXPECT_EQ(Bytes(small.begin(), small.begin() + 4), (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(le32(small, 4), 80u - 8 + 1000);
    EXPECT_EQ(Bytes(small.begin() + 12, small.begin() + 16), (Bytes{'J', 'U', 'N', 'K'}));
    EXPECT_EQ(le32(small, 76), 1000u);

    const std::uint64_t large = 5ull << 30;  // 5 GiB of 6 channels of 24 bits: 18 bytes a frame
    Bytes big = wavHeader(surround, large);
    ASSERT_EQ(big.size(), wavHeaderSize(surround));  // the same room: nothing moves
    EXPECT_EQ(Bytes(big.begin(), big.begin() + 4), (Bytes{'R', 'F', '6', '4'}));
    EXPECT_EQ(le32(big, 4), 0xFFFFFFFFu);
    EXPECT_EQ(Bytes(big.begin() + 12, big.begin() + 16), (Bytes{'d', 's', '6', '4'}));
    auto le64 = [&](std::size_t at) { return le32(big, at) | static_cast<std::uint64_t>(le32(big, at + 4)) << 32; };
    EXPECT_EQ(le64(20), 104 - 8 + large + (large & 1));
    EXPECT_EQ(le64(28), large);
    EXPECT_EQ(le64(36), large / 18);
    EXPECT_EQ(le32(big, 100), 0xFFFFFFFFu);
}

// ffprobe takes the RF64 form as Demux writes it, here for a small file.
TEST(WavHeader, FfprobeReadsTheRf64Form) {
    TempDir dir;
    const LpcmFormat f = formatOf(24, 48000, 2);
    Bytes data = randomBytes(6 * 4800, 3);
    Bytes file = wavHeader(f, data.size(), true) + data;
    std::string path = dir.write("rf64.wav", file);
    EXPECT_EQ(ffprobeAudio(path, "codec_name,sample_rate,channels"),
              "codec_name=pcm_s24le\nsample_rate=48000\nchannels=2\n");
    EXPECT_EQ(commandOutput("ffprobe -v error -show_entries format=format_name,duration -of "
                            "default=noprint_wrappers=1 '" + path + "'"),
              "format_name=wav\nduration=0.100000\n");
}

TEST_F(LpcmWav, AReservedSampleSizeGivesTheRawPayloadUnderTheKindsExtension) {
    Bytes samples = randomBytes(1200, 9);
    write("FEATURE_1.EVO", lpcmSource(samples, 0xC1));  // sample size 3: reserved
    readEvo("FEATURE_1.EVO");
    Lines log = linesOf(bDemuxClick);
    const std::string planned = out + "/FEATURE_1.LPCM.stream.00.wav";
    const std::string raw = out + "/FEATURE_1.LPCM.stream.00.mpa";
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"Creating " + planned, rawLpcmLine(planned), renamedLine(planned, raw), "Done."}));
    EXPECT_EQ(filesIn(out), Lines{"FEATURE_1.LPCM.stream.00.mpa"});
    EXPECT_EQ(output("FEATURE_1.LPCM.stream.00.mpa"), samples);
    EXPECT_EQ(session.facts.audio[0].file, raw);
}

// The second part of a feature goes on in the same WAV, a block cut
// between the two parts carried over from the first.
TEST_F(LpcmWav, TheSecondPartGoesOnInTheSameWav) {
    Samples samples = randomSamples(24, 2, 480, 11);
    Bytes disc = discSamples(samples, 24, 2);
    const std::size_t cut = 1001;  // inside a block of 12 bytes
    const std::uint8_t format = lpcmFormatByte(24, 48000, 2);
    write("FEATURE_1.EVO", lpcmSource(head(disc, cut), format));
    write("FEATURE_2.EVO", lpcmSource(Bytes(disc.begin() + cut, disc.end()), format));
    readEvo("FEATURE_1.EVO");
    Lines log = linesOf(bDemuxClick);
    EXPECT_EQ(log[3], "Continue on FEATURE_2.EVO");
    Bytes wav = output("FEATURE_1_2.LPCM.stream.00.wav");
    EXPECT_EQ(wavSamples(wav, wavHeaderSize(formatOf(24, 48000, 2)), 24), widened(samples, 24));
    EXPECT_EQ(le32(wav, 4), wav.size() - 8);
}

// A disk that fills while the WAV is written: the write error, every file
// closed with what reached it, and a header that claims no samples the
// file may lack (the sizes are set only after the samples are out).
TEST_F(LpcmWav, AWriteErrorClosesTheWavWithoutClaimingSamples) {
    Samples samples = randomSamples(16, 2, 4000, 12);
    write("FEATURE_1.EVO", lpcmSource(discSamples(samples, 16, 2), lpcmFormatByte(16, 48000, 2)));
    readEvo("FEATURE_1.EVO");
    {
        FailingFiles files;
        files.fillAfter("LPCM", 5000);
        EXPECT_EQ(run(bDemuxClick), kStreamWriteError);
    }
    EXPECT_FALSE(anyOutputOpen());
    Bytes wav = output("FEATURE_1.LPCM.stream.00.wav");
    EXPECT_EQ(wav.size(), 5000u);
    EXPECT_EQ(Bytes(wav.begin(), wav.begin() + 4), (Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_EQ(le32(wav, 4), 72u);  // the header's room as made, no data
    EXPECT_EQ(le32(wav, 76), 0u);
}
