// From the sample disc to one MKV with the real mkvmerge: the console's mux
// with the playlist demuxes FEATURE_1 continued into FEATURE_2, and
// mkvmerge -J of what it made shows the title, each track with its codec,
// language, name and flags, the chapters at their times, and a duration
// that covers both parts; the tracks start as ffprobe reads them in the
// source; the subpicture stream, which mkvmerge does not read, stays beside
// the MKV and is named in the log, and everything that went in is removed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/mkv_facts.h"
#include "support/mux_sources.h"
#include "support/muxed_once.h"
#include "support/run_cli.h"

using namespace strandex::test;

namespace {

constexpr char kMuxSampleDiscMkv[] = "FEATURE_1_2.mkv";

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t end; (end = text.find('\n', from)) != std::string::npos; from = end + 1)
        lines.push_back(text.substr(from, end - from));
    return lines;
}

std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

// One mux of the sample disc for the whole suite: it is the slow part.
class MuxSampleDisc : public MuxedOnce<sampleDisc, kMuxSampleDiscMkv> {};

constexpr double kFrameMs = 1001.0 / 24.0;

}  // namespace

TEST_F(MuxSampleDisc, TheLogEndsWithTheMkvAndNamesTheSubpictureKeptBesideIt) {
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    std::vector<std::string> log = linesOf(result.out);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), "Created FEATURE_1_2.mkv");
    const std::vector<std::string> tail{
        "Done.",
        "156 frames (0:00:06 s) count in video stream 0.",
        "Subpicture stream 00 is not in the mux plan: mkvmerge does not read this format.",
        "Muxing FEATURE_1_2.mkv",
        "Removed the files that went into FEATURE_1_2.mkv",
        "Kept FEATURE_1_2.2bitRLE.stream.00.en.sup beside FEATURE_1_2.mkv",
        "Created FEATURE_1_2.mkv"};
    ASSERT_GE(log.size(), tail.size());
    EXPECT_EQ(std::vector<std::string>(log.end() - static_cast<long>(tail.size()), log.end()), tail) << result.out;
    EXPECT_NE(std::find(log.begin(), log.end(), "Continue on FEATURE_2.EVO"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "Creating " + disc.out + "/FEATURE_1_2.mkvmerge.json"), log.end());
    // The streams, chapter files and plan went into the MKV and are gone.
    EXPECT_EQ(folderNames(disc.out),
              (std::vector<std::string>{"FEATURE_1_2.2bitRLE.stream.00.en.sup", "FEATURE_1_2.mkv"}));
}

TEST_F(MuxSampleDisc, EveryTrackHasItsCodecLanguageNameAndFlags) {
    MkvFacts facts = identifyMkv(*dir, mkv);
    ASSERT_TRUE(facts.read);
    EXPECT_EQ(facts.title, "The Braid");
    ASSERT_EQ(facts.tracks.size(), 4u);
    expectTracks(facts.tracks, {{"video", "VC-1", "V_MS/VFW/FOURCC", "und", "VC-1", true},
                               {"audio", "E-AC-3", "A_EAC3", "eng", "DD+ 5.1", true},
                               {"audio", "E-AC-3", "A_EAC3", "ger", "DD+ 5.1", false},
                               {"audio", "AC-3", "A_AC3", "eng", "DD 5.1", false}});
    // The rate from the VC-1 sequence header, not mkvmerge's guess.
    EXPECT_EQ(facts.tracks[0].defaultDurationNs, 41708333);
}

// The third chapter starts with FEATURE_2: 4 s and 12 frames of the
// playlist's 60 a second.
TEST_F(MuxSampleDisc, TheChaptersKeepTheirNamesAndTimes) {
    EXPECT_EQ(identifyMkv(*dir, mkv).chapterEntries, 3);
    EXPECT_EQ(mkvChapters(*dir, mkv),
              "CHAPTER01=00:00:00.000\nCHAPTER01NAME=Three strands\n"
              "CHAPTER02=00:00:02.000\nCHAPTER02NAME=Over and under\n"
              "CHAPTER03=00:00:04.200\nCHAPTER03NAME=The second file\n");
}

// 108 frames of FEATURE_1 and 48 of FEATURE_2: 156 frames, 6.5 s.
TEST_F(MuxSampleDisc, TheDurationCoversBothParts) {
    MkvFacts facts = identifyMkv(*dir, mkv);
    EXPECT_GE(facts.durationNs / 1e6, 156 * kFrameMs - 1.0);
    EXPECT_LT(facts.durationNs / 1e6, 157 * kFrameMs + 50.0);
    std::vector<double> video = mkvTimestampsMs(*dir, mkv, 0);
    ASSERT_FALSE(video.empty());
    EXPECT_NEAR(*std::max_element(video.begin(), video.end()), 155 * kFrameMs, 1.5 * kFrameMs);
}

TEST_F(MuxSampleDisc, TheTracksStartAsFfprobeReadsThemInTheSource) {
    TempDir work;
    std::map<std::string, double> starts = ffprobeStartsMs(work, disc.source);
    const std::vector<std::pair<int, std::string>> ids{{0, "0xfd55"}, {1, "0xc0"}, {2, "0xc1"}, {3, "0x82"}};
    for (const auto& [id, probeId] : ids) ASSERT_TRUE(starts.count(probeId)) << probeId;
    const double videoStart = starts["0xfd55"];
    const double videoFirst = mkvFirstTimestampMs(work, mkv, 0);
    EXPECT_NEAR(videoFirst, 0.0, 1.0);  // no track below 0, none later than needed
    for (const auto& [id, probeId] : ids)
        EXPECT_NEAR(mkvFirstTimestampMs(work, mkv, id) - videoFirst, starts[probeId] - videoStart, 1.0) << probeId;
}
