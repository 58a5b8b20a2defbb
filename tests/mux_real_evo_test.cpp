// REAL_1.EVO (H.264 from libx264, AC-3 and E-AC-3 from ffmpeg's encoders
// and an LPCM tone, packed by the test packer) with its playlist, whose
// TrackNavigationList names and languages the audio tracks, muxed into one
// MKV by the console's mux and the real mkvmerge: mkvmerge -J shows the
// title, tracks and chapters; the first timestamps keep the delays ffprobe
// reads in the source (the E-AC-3 starts 40 ms before the video, so every
// track is shifted by 40 ms and none starts below 0); and ffmpeg decodes
// the H.264, AC-3 and E-AC-3 tracks of the MKV without an error.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/mkv_facts.h"
#include "support/mux_sources.h"
#include "support/muxed_once.h"
#include "support/run_cli.h"

using namespace strandex::test;

namespace {

constexpr char kMuxRealEvoMkv[] = "REAL_1.mkv";

class MuxRealEvo : public MuxedOnce<realEvoDisc, kMuxRealEvoMkv> {};

// The tracks in box order with the ids ffprobe gives their streams.
const std::vector<std::pair<int, std::string>> kProbeIds{{0, "0x1e2"}, {1, "0x80"}, {2, "0xc1"}, {3, "0xa2"}};

}  // namespace

TEST_F(MuxRealEvo, TheConsoleMakesTheMkvAndRemovesWhatWentIn) {
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    const std::string tail =
        "Done.\n72 frames (0:00:03 s) count in video stream 0.\nMuxing REAL_1.mkv\n"
        "Removed the files that went into REAL_1.mkv\nCreated REAL_1.mkv\n";
    ASSERT_GE(result.out.size(), tail.size());
    EXPECT_EQ(result.out.substr(result.out.size() - tail.size()), tail) << result.out;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(disc.out)) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"REAL_1.mkv"});
}

TEST_F(MuxRealEvo, TitleTracksAndChaptersComeFromThePlaylist) {
    MkvFacts facts = identifyMkv(*dir, mkv);
    ASSERT_TRUE(facts.read);
    EXPECT_EQ(facts.title, "Echte Ströme");
    ASSERT_EQ(facts.tracks.size(), 4u);
    expectTracks(facts.tracks, {{"video", "AVC/H.264/MPEG-4p10", "V_MPEG4/ISO/AVC", "und", "H.264", true},
                               {"audio", "AC-3", "A_AC3", "ger", "Deutsch", true},
                               {"audio", "E-AC-3", "A_EAC3", "eng", "English", false},
                               {"audio", "PCM", "A_PCM/INT/LIT", "fre", "Français", false}});
    // The chapter without a name gets its number.
    EXPECT_EQ(facts.chapterEntries, 3);
    EXPECT_EQ(mkvChapters(*dir, mkv),
              "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Anfang\n"
              "CHAPTER02=00:00:01.000\nCHAPTER02NAME=Chapter 02\n"
              "CHAPTER03=00:00:02.000\nCHAPTER03NAME=Über den Schluss\n");
    // 72 frames at 24 a second.
    EXPECT_GE(facts.durationNs, 3000000000);
    EXPECT_LT(facts.durationNs, 3200000000);
}

TEST_F(MuxRealEvo, TheFirstTimestampsDifferByTheDelaysAndNoneIsBelowZero) {
    TempDir work;
    std::map<std::string, double> starts = ffprobeStartsMs(work, disc.source);
    for (const auto& [id, probeId] : kProbeIds) ASSERT_TRUE(starts.count(probeId)) << probeId;
    std::vector<double> first;
    for (const auto& [id, probeId] : kProbeIds) first.push_back(mkvFirstTimestampMs(work, mkv, id));
    for (std::size_t k = 0; k < kProbeIds.size(); ++k)
        EXPECT_NEAR(first[k] - first[0], starts[kProbeIds[k].second] - starts["0x1e2"], 1.0) << kProbeIds[k].second;
    // The E-AC-3 leads by 40 ms: it starts at 0, the video 40 ms later.
    EXPECT_NEAR(*std::min_element(first.begin(), first.end()), 0.0, 1.0);
    EXPECT_NEAR(first[2], 0.0, 1.0);
    EXPECT_NEAR(first[0], 40.0, 1.0);
}

TEST_F(MuxRealEvo, FfmpegDecodesTheH264Ac3AndEac3TracksWithoutAnError) {
    TempDir work;
    for (int track : {0, 1, 2}) EXPECT_EQ(ffmpegDecodeErrors(work, mkv, track), "") << "track " << track;
}
