// REAL_1.EVO (tests/fixtures, made by make-real-evo.sh): H.264, AC-3 and
// E-AC-3 from ffmpeg's encoders and an LPCM tone, packed into an EVO file by
// the test packer. The console's Read EVO finds the four streams where the
// packer put them and ffprobe agrees; Demux gives back each elementary
// stream byte for byte, and ffmpeg decodes the demuxed H.264, AC-3 and
// E-AC-3 without an error. The playlist xpl/REAL_EVO.XPL names its title.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/byte_difference.h"
#include "support/fixture_files.h"
#include "support/lpcm_tone.h"
#include "support/pack_builder.h"
#include "support/run_cli.h"

using namespace strandex::test;

namespace {

const std::string kEvo = fixture("REAL_1.EVO");

struct ShellResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};

ShellResult shell(const std::string& command) {
    ShellResult result;
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) result.output += chunk;
    int status = ::pclose(pipe);
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    return result;
}

// The 33-bit SCR base of the pack header at p.
std::uint64_t scrAt(const std::uint8_t* p) {
    return (std::uint64_t{p[4] & 0x38u} << 27) | (std::uint64_t{p[4] & 0x03u} << 28) | (std::uint64_t{p[5]} << 20) |
           (std::uint64_t{p[6] & 0xF8u} << 12) | (std::uint64_t{p[6] & 0x03u} << 13) | (std::uint64_t{p[7]} << 5) |
           (p[8] >> 3);
}

bool installed(const char* tool) { return std::system((std::string(tool) + " -version >/dev/null 2>&1").c_str()) == 0; }

// The box listing of --boxes: the given boxes enabled and ticked with their
// captions, every other one as a scan that found nothing leaves it.
std::string boxListing(const std::vector<std::pair<std::string, std::string>>& found) {
    auto line = [&](const std::string& name, const std::string& none) {
        for (const auto& [box, caption] : found)
            if (box == name) return name + "\t1\t1\t" + caption + "\n";
        return name + "\t0\t0\t" + none + "\n";
    };
    auto twoDigits = [](int n) { return std::string(n < 10 ? "0" : "") + std::to_string(n); };
    std::string out = line("cbVideo0", "No video stream") + line("cbVideo1", "No video stream");
    for (int n = 0; n < 16; ++n) out += line("cbAudio" + twoDigits(n), "No audio stream");
    for (int n = 0; n < 16; ++n) out += line("cbSub" + twoDigits(n), "No subpicture");
    return out;
}

// The log of Read EVO: the stream-count line from the first navigation
// pack's system header; each stream as its first packet comes (E-AC-3 is
// due 40 ms before the first picture, LPCM with it, AC-3 80 ms after it);
// the First PTS lines are the packer's 90000 + delay; the H.264 analyser sees
// the IDR access unit (delimiter with primary_pic_type 0, High profile,
// level 4.1, as ffprobe reports it) and the E-AC-3 analyser ffmpeg's 96
// kbit/s stereo frames of 384 bytes. 72 access unit delimiters: the 72
// frames that ffprobe counts.
const std::string kReadLog =
    "Opening file REAL_1.EVO\n"
    "File size: 0 Mbytes.\n"
    "It contains 1 video stream and 3 audio streams.\n"
    "H.264 video stream 0 found!\n"
    "   First PTS = 00015F90\n"
    "   0 frames before first I-frame\n"
    "   High Profile\n"
    "   Level = 41\n"
    "DD+ audio stream 1 found!\n"
    "   First PTS = 00015180\n"
    "   Stream 1 is Dolby Digital Plus\n"
    "   frame size = 384, number of blocks per frame = 6\n"
    "   bitrate = 96000, sampling rate = 48000\n"
    "   mode = 2/0, bsid = 16, lfe on =0\n"
    "LPCM audio stream 2 found!\n"
    "   First PTS = 00015F90\n"
    "DD audio stream 0 found!\n"
    "   First PTS = 00017BB0\n"
    "Done.\n"
    "72 frames (0:00:03 s) count in video stream 0.\n";

}  // namespace

TEST(RealEvoFixture, ReadEvoFindsH264VideoAndDdDdPlusAndLpcmAudio) {
    TempDir dir;
    CliResult r = runCli(dir, {"read", kEvo, "--boxes"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, kReadLog + boxListing({{"cbVideo0", "H.264.stream.0"},
                                            {"cbAudio00", "DD.stream.00"},
                                            {"cbAudio01", "DD+.stream.01"},
                                            {"cbAudio02", "LPCM.stream.02"}}));
}

// The file is made of 2048-byte packs with rising SCRs; a navigation pack
// (its system header right after the pack header) comes first and before
// each group of 12 pictures, and the pack after it starts a video packet
// with the access unit delimiter of an I picture.
TEST(RealEvoFixture, PacksOf2048BytesWithANavigationPackBeforeEachGroupOfPictures) {
    const Bytes evo = readFile(kEvo);
    ASSERT_EQ(evo.size() % kPackSize, 0u);
    const Bytes packStart{0x00, 0x00, 0x01, 0xBA}, systemHeaderStart{0x00, 0x00, 0x01, 0xBB};
    const Bytes iDelimiter{0x00, 0x00, 0x00, 0x01, 0x09, 0x10};
    std::uint64_t lastScr = 0;
    std::vector<std::size_t> navigationPacks;
    for (std::size_t at = 0; at < evo.size(); at += kPackSize) {
        const std::uint8_t* p = &evo[at];
        ASSERT_TRUE(std::equal(packStart.begin(), packStart.end(), p)) << "pack at " << at;
        EXPECT_TRUE(at == 0 || scrAt(p) > lastScr) << "pack at " << at;
        lastScr = scrAt(p);
        if (!std::equal(systemHeaderStart.begin(), systemHeaderStart.end(), p + 14)) continue;
        navigationPacks.push_back(at / kPackSize);
        ASSERT_LT(at + kPackSize, evo.size());
        const std::uint8_t* video = p + kPackSize + 14;
        EXPECT_EQ(video[3], 0xE2) << "pack after " << at;
        EXPECT_TRUE(std::equal(iDelimiter.begin(), iDelimiter.end(), video + 9 + video[8])) << "pack after " << at;
    }
    ASSERT_EQ(navigationPacks.size(), 6u);  // 72 frames
    EXPECT_EQ(navigationPacks.front(), 0u);
}

// ffprobe reads the streams at the ids the packer used, with the codecs,
// sizes and rates of the sources, and ffmpeg's decoder of DVD LPCM, which
// reads the substream header's format byte, gives back the tone.
TEST(RealEvoFixture, FfprobeSeesTheStreamsAndFfmpegDecodesTheLpcmTone) {
    if (!installed("ffprobe") || !installed("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    ShellResult probe = shell("ffprobe -v error -show_entries stream=codec_name,id,width,height,sample_rate,channels "
                              "-of csv=p=0 '" + kEvo + "'");
    EXPECT_EQ(probe.exitCode, 0);
    EXPECT_EQ(probe.output,
              "dvd_nav_packet,0x1bf\n"
              "h264,640,360,0x1e2\n"
              "eac3,48000,2,0xc1\n"
              "pcm_dvd,48000,2,0xa2\n"
              "ac3,48000,2,0x80\n");
    TempDir dir;
    ShellResult decode = shell("ffmpeg -nostdin -v error -i '" + kEvo + "' -map 0:i:0xa2 -c:a pcm_s16be -f s16be '" +
                               dir.file("lpcm.raw") + "'");
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.output, "");
    EXPECT_EQ(bytesDifference(readFile(dir.file("lpcm.raw")), lpcmTone(kToneRate)), "");
}

// Demux writes each ticked stream: the video and Dolby streams are what
// ffmpeg copies out of the transport stream the packer read, the LPCM
// stream is the tone without its substream headers; ffmpeg decodes the
// first three without a word on its error output. It checks the CRCs of the
// Dolby frames too, as a changed byte in one of them decodes quietly
// otherwise.
TEST(RealEvoFixture, DemuxGivesBackTheStreamsThePackerPutInAndFfmpegDecodesThem) {
    TempDir dir;
    CliResult r = runCli(dir, {"demux", kEvo, "-o", dir.path()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string video = dir.file("REAL_1.H.264.stream.0.mpv");
    const std::string dd = dir.file("REAL_1.DD.stream.00.mpa");
    const std::string ddPlus = dir.file("REAL_1.DD+.stream.01.mpa");
    EXPECT_EQ(bytesDifference(readFile(video), readFile(fixture("REAL_1.video.h264"))), "");
    EXPECT_EQ(bytesDifference(readFile(dd), readFile(fixture("REAL_1.audio0.ac3"))), "");
    EXPECT_EQ(bytesDifference(readFile(ddPlus), readFile(fixture("REAL_1.audio1.eac3"))), "");
    EXPECT_EQ(bytesDifference(readFile(dir.file("REAL_1.LPCM.stream.02.mpa")), lpcmTone(kToneRate)), "");

    if (!installed("ffmpeg")) GTEST_SKIP() << "ffmpeg is not installed";
    for (const auto& file : {video, dd, ddPlus}) {
        ShellResult decode = shell("ffmpeg -nostdin -v error -err_detect crccheck -i '" + file + "' -f null -");
        EXPECT_EQ(decode.exitCode, 0) << file;
        EXPECT_EQ(decode.output, "") << file;
    }
}

// Read XPL with the fixture as source finds the title whose clip names
// REAL_1 and offers its video track and its three audio tracks; the title's
// name, duration and three chapters reach the tree.
TEST(RealEvoFixture, ThePlaylistNamesTheTitleOfTheEvo) {
    TempDir dir;
    CliResult r = runCli(dir, {"xpl", fixture("xpl/REAL_EVO.XPL"), "--source", kEvo, "--tree", "--boxes"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    for (const char* enabled : {"cbVideo0\t1\t1\t", "cbAudio00\t1\t1\t", "cbAudio01\t1\t1\t", "cbAudio02\t1\t1\t",
                                "cbAudio03\t0\t0\t", "  Name: Echte Ströme\n", "  Duration: 00:00:03:00\n",
                                "Chapter\n  00:00:00:00: Anfang\n  00:00:01:00: ", "\n  00:00:02:00: Über den Schluss"})
        EXPECT_NE(r.out.find(enabled), std::string::npos) << enabled;
}
