// A DVD from the disc to an MKV: the title set's IFO read as the playlist,
// and its video, its audio in its language, its subpictures as VobSub in
// theirs and its chapters in one MKV, as mkvmerge itself reads it back.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/fixture_files.h"
#include "support/mkv_facts.h"
#include "support/run_cli.h"

using namespace strandex::test;

namespace {

namespace fs = std::filesystem;

TEST(DvdMux, TheIfoGivesTheMkvItsLanguagesVobSubAndChapters) {
    TempDir dir;
    fs::copy(fixture("dvd/pal/VIDEO_TS"), dir.file("VIDEO_TS"));
    fs::create_directory(dir.file("out"));
    CliResult r = runCli(dir, {"mux", dir.file("VIDEO_TS/VTS_01_1.VOB"), "--xpl", dir.file("VIDEO_TS/VTS_01_0.IFO"),
                               "-o", dir.file("out")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("Created VTS_01_1.mkv\n"), std::string::npos) << r.out;
    // Everything went in: nothing stays beside the MKV.
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir.file("out"))) left.push_back(entry.path().filename());
    EXPECT_EQ(left, (std::vector<std::string>{"VTS_01_1.mkv"}));

    MkvFacts mkv = identifyMkv(dir, dir.file("out/VTS_01_1.mkv"));
    ASSERT_TRUE(mkv.read);
    ASSERT_EQ(mkv.tracks.size(), 3u);
    EXPECT_EQ(mkv.tracks[0].type, "video");
    EXPECT_EQ(mkv.tracks[1].codec, "AC-3");
    EXPECT_EQ(mkv.tracks[1].language, "eng");
    EXPECT_TRUE(mkv.tracks[1].defaultTrack);
    EXPECT_EQ(mkv.tracks[2].codec, "VobSub");
    EXPECT_EQ(mkv.tracks[2].language, "ger");
    EXPECT_FALSE(mkv.tracks[2].defaultTrack);
    EXPECT_EQ(mkv.chapterEntries, 3);
    EXPECT_EQ(mkvChapters(dir, dir.file("out/VTS_01_1.mkv")).rfind("CHAPTER01=00:00:00.000\n", 0), 0u);
}

}  // namespace
