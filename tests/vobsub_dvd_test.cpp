// A real DVD title's subtitles as a VobSub pair: Demux of the spumux and
// dvdauthor fixture with the title's colour table (read from its IFO here,
// as the playlist facts would hold it) and without, checked against
// mkvmerge's and ffmpeg's own reading: the units, the .idx, the track
// mkvmerge sees, the colours ffmpeg draws, and the MKV the mux makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "commands/codec_names.h"
#include "commands/demux_command.h"
#include "engine/vobsub_index.h"
#include "support/command_bench.h"
#include "support/engine_checks.h"
#include "support/fixture_files.h"
#include "support/ifo_palette.h"
#include "support/json_value.h"
#include "support/run_tool.h"
#include "support/vobsub_reading.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

const std::string kIfo = fixture("vobsub/VIDEO_TS/VTS_01_0.IFO");
const std::string kVob = fixture("vobsub/VIDEO_TS/VTS_01_1.VOB");

// The three boxes of the subtitle picture along row 450: red, white, blue.
constexpr int kRow = 450;
constexpr std::array<int, 3> kBoxColumns{200, 380, 540};

class VobSubDvd : public ::testing::Test, protected CommandBench {
protected:
    VobSubDvd() {
        ui.setTicked(Box::cbCodecFiles, true);
        write("VTS_01_1.VOB", readFile(kVob));
        readEvo("VTS_01_1.VOB");
    }
    // What the title set's IFO gives for this source.
    void giveColourTable() {
        PlaylistFacts& p = session.playlist;
        p.titleFound = true;
        p.sourceBase = session.paths.EVObase;
        p.fromIfo = true;
        p.frameWidth = 720;
        p.frameHeight = 576;
        p.hasPalette = true;
        p.palette = ifoPalette(kIfo);
        p.sub[0].listed = true;
        p.sub[0].language = "en";
    }
    std::string at(const std::string& name) const { return out + "/" + name; }
    const std::string stem = "VTS_01_1.Subpicture.00";
};

bool contains(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The PTS of each "SP" header of a .sup, in order.
std::vector<std::uint32_t> supPts(const Bytes& sup) {
    std::vector<std::uint32_t> pts;
    for (std::size_t at = 0; at + 10 <= sup.size();) {
        pts.push_back(std::uint32_t{sup[at + 2]} | std::uint32_t{sup[at + 3]} << 8 | std::uint32_t{sup[at + 4]} << 16 |
                      std::uint32_t{sup[at + 5]} << 24);
        at += 10 + ((std::size_t{sup[at + 10]} << 8) | sup[at + 11]);
    }
    return pts;
}

// Row kRow of the first picture ffmpeg draws with the subtitle over the
// video (a box's pixel not the video's grey), as RGB; empty when none.
struct Pixel {
    int r, g, b;
};
std::vector<Pixel> drawnBoxes(const TempDir& dir, const std::vector<std::string>& input) {
    std::vector<std::string> args{"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error"};
    args.insert(args.end(), input.begin(), input.end());
    std::string raw = dir.file("row.rgb");
    args.insert(args.end(), {"-filter_complex", "[0:v][0:s:0]overlay,format=rgb24,crop=720:1:0:" + std::to_string(kRow) + "[o]",
                             "-map", "[o]", "-f", "rawvideo", "-pix_fmt", "rgb24", "-y", raw});
    CliResult r = runTool(dir, args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    Bytes rows = readFile(raw);
    for (std::size_t frame = 0; frame + 720 * 3 <= rows.size(); frame += 720 * 3) {
        std::vector<Pixel> boxes;
        for (int x : kBoxColumns) {
            std::size_t p = frame + static_cast<std::size_t>(x) * 3;
            boxes.push_back({rows[p], rows[p + 1], rows[p + 2]});
        }
        if (boxes[0].r > 200 && boxes[0].g < 80) return boxes;  // the red box is there
    }
    return {};
}

void expectNear(const std::vector<Pixel>& got, const std::vector<Pixel>& want, int tolerance) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t k = 0; k < got.size(); ++k) {
        EXPECT_NEAR(got[k].r, want[k].r, tolerance) << "box " << k;
        EXPECT_NEAR(got[k].g, want[k].g, tolerance) << "box " << k;
        EXPECT_NEAR(got[k].b, want[k].b, tolerance) << "box " << k;
    }
}

}  // namespace

TEST_F(VobSubDvd, WithTheColourTableTheSupsUnitsGoIntoAVobSubPair) {
    Lines plain = linesOf(bDemuxClick);
    EXPECT_TRUE(contains(plain, "No VobSub for " + at(stem + ".sup") +
                                    ": no colour table was read for this source (Read XPL with its IFO)"));
    Bytes sup = output(stem + ".sup");
    std::vector<Bytes> units = unitsOfSup(sup);
    ASSERT_EQ(units.size(), 2u);  // the two pictures of the fixture
    ASSERT_GT(units[0].size(), 3 * 2048u);  // each spans several packs

    giveColourTable();
    std::filesystem::remove(at(stem + ".sup"));
    Lines log = linesOf(bDemuxClick);
    EXPECT_TRUE(contains(log, renamedLine(at(stem + ".sup"), at(stem + ".sub"))));
    EXPECT_TRUE(contains(log, "Creating " + at(stem + ".idx")));
    EXPECT_FALSE(fileExists(at(stem + ".sup")));
    EXPECT_EQ(session.facts.sub[0].file, at(stem + ".idx"));

    std::vector<SubPack> packs = readSubPacks(output(stem + ".sub"));
    Bytes payload;
    for (const SubPack& p : packs) payload += p.payload;
    EXPECT_EQ(unitsOf(payload), units);

    IdxFile idx = parseIdx(text(output(stem + ".idx")));
    EXPECT_EQ(idx.width, 720);
    EXPECT_EQ(idx.height, 576);
    std::array<std::uint32_t, 16> ifo = ifoPalette(kIfo);
    ASSERT_EQ(idx.palette.size(), 16u);
    for (std::size_t k = 0; k < 16; ++k) EXPECT_EQ(idx.palette[k], rgbOfYCrCb(ifo[k])) << k;
    EXPECT_EQ(idx.language, "en");
    EXPECT_EQ(idx.index, 0);
    ASSERT_EQ(idx.entries.size(), units.size());
    std::vector<std::uint32_t> pts = supPts(sup);
    std::uint32_t video = session.facts.video[0].earliestPts;
    for (std::size_t k = 0; k < idx.entries.size(); ++k) {
        const IdxEntry& e = idx.entries[k];
        if (k > 0) {
            EXPECT_GT(e.ms, idx.entries[k - 1].ms);
        }
        EXPECT_EQ(e.ms, static_cast<std::int64_t>((pts[k] - video) / 90));
        ASSERT_EQ(e.filepos % 2048, 0u);
        const SubPack& first = packs.at(e.filepos / 2048);
        EXPECT_TRUE(first.hasPts);
        EXPECT_EQ(first.pts, pts[k]);
        EXPECT_EQ(head(first.payload, 16), head(units[k], 16));
    }
    // The spumux pictures start at 0.5 s and 2 s of the title.
    EXPECT_NEAR(static_cast<double>(idx.entries[0].ms), 500, 60);
    EXPECT_NEAR(static_cast<double>(idx.entries[1].ms), 2000, 60);

    CliResult probe = runTool(dir, {"mkvmerge", "-J", at(stem + ".idx")});
    ASSERT_EQ(probe.exitCode, 0) << probe.out;
    JsonValue info = parseJson(probe.out);
    ASSERT_EQ(info["tracks"].items.size(), 1u);
    EXPECT_EQ(info["tracks"][0]["codec"].text, "VobSub");
    EXPECT_EQ(info["tracks"][0]["properties"]["language"].text, "eng");
}

// The MKV the mux makes shows the subtitle in the colours ffmpeg draws
// the DVD's own with the IFO's colour table; the pair went into it.
TEST_F(VobSubDvd, TheMuxedSubtitleHasTheDvdsColours) {
    giveColourTable();
    ui.setTicked(Box::cbMuxMkv, true);
    Lines log = linesOf(bDemuxClick);
    ASSERT_TRUE(contains(log, "Created VTS_01_1.mkv")) << log.back();
    EXPECT_FALSE(fileExists(at(stem + ".idx")));
    EXPECT_FALSE(fileExists(at(stem + ".sub")));

    // ffprobe reads the MKV's subtitle track as the DVD's own coding.
    CliResult probe = runTool(dir, {"ffprobe", "-v", "error", "-select_streams", "s", "-show_entries",
                                    "stream=codec_name:stream_tags=language:stream_disposition=default,forced", "-of",
                                    "default=nw=1", at("VTS_01_1.mkv")});
    ASSERT_EQ(probe.exitCode, 0) << probe.err;
    EXPECT_EQ(probe.out, "codec_name=dvd_subtitle\nDISPOSITION:default=0\nDISPOSITION:forced=0\nTAG:language=eng\n");

    std::vector<Pixel> dvd = drawnBoxes(dir, {"-ifo_palette", kIfo, "-i", kVob});
    std::vector<Pixel> mkv = drawnBoxes(dir, {"-i", at("VTS_01_1.mkv")});
    ASSERT_EQ(dvd.size(), 3u) << "ffmpeg drew no subtitle from the VOB";
    ASSERT_EQ(mkv.size(), 3u) << "ffmpeg drew no subtitle from the MKV";
    expectNear(mkv, dvd, 2);
    expectNear(dvd, {{255, 0, 0}, {255, 255, 255}, {0, 0, 255}}, 24);  // the PNG's red, white and blue
}

// The plan names the .idx with the track's language and flags, and the
// times already count from the video: no --sync of its own.
TEST_F(VobSubDvd, TheMuxPlanTakesTheIdx) {
    giveColourTable();
    session.playlist.sub[0].forced = true;
    session.writeMuxPlan = true;
    linesOf(bDemuxClick);
    JsonValue plan = parseJson(text(output("VTS_01_1.mkvmerge.json")));
    std::vector<std::string> args;
    for (const JsonValue& a : plan.items) args.push_back(a.text);
    auto idx = std::find(args.begin(), args.end(), at(stem + ".idx"));
    auto video = std::find(args.begin(), args.end(), at("VTS_01_1.MPEG-2.stream.0.m2v"));
    ASSERT_NE(idx, args.end());
    ASSERT_NE(video, args.end());
    // The audio leads the video here: every track is shifted by that lead,
    // the VobSub one as much as the video.
    ASSERT_EQ(*(video - 2), "--sync");
    std::vector<std::string> before(idx - 10, idx);
    EXPECT_EQ(before, (std::vector<std::string>{"--language", "0:en", "--track-name", "0:Subpicture",
                                                "--default-track-flag", "0:no", "--forced-display-flag", "0:yes",
                                                "--sync", *(video - 1)}));
}

// A title cut inside a unit's packs, and an .idx that cannot be made.
TEST_F(VobSubDvd, ACutTitleKeepsWholeUnitsAndAnIdxThatCannotBeMadeIsAnError) {
    giveColourTable();
    Bytes vob = readFile(kVob);
    // Up to the third pack of the second unit (each spans five).
    Bytes cut;
    int subpicturePacks = 0;
    for (std::size_t at = 0; at + 2048 <= vob.size() && subpicturePacks < 8; at += 2048) {
        Bytes pack(vob.begin() + static_cast<std::ptrdiff_t>(at), vob.begin() + static_cast<std::ptrdiff_t>(at + 2048));
        cut += pack;
        std::size_t packet = 14 + (pack[13] & 0x07);
        if (pack[packet + 3] == 0xBD && pack[packet + 9 + pack[packet + 8]] == 0x20) ++subpicturePacks;
    }
    ASSERT_EQ(subpicturePacks, 8);
    write("VTS_01_1.VOB", cut);
    Lines log = linesOf(bDemuxClick);
    std::vector<SubPack> packs = readSubPacks(output(stem + ".sub"));
    Bytes payload;
    for (const SubPack& p : packs) payload += p.payload;
    ASSERT_EQ(unitsOf(payload).size(), 1u);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) { return l.rfind("Left out of ", 0) == 0; }));
    EXPECT_EQ(parseIdx(text(output(stem + ".idx"))).entries.size(), 1u);

    std::filesystem::remove(at(stem + ".idx"));
    std::filesystem::create_directory(at(stem + ".idx"));
    std::string error = run(bDemuxClick);
    EXPECT_EQ(error.rfind("Cannot create file \"" + at(stem + ".idx") + "\"", 0), 0u) << error;
    EXPECT_FALSE(anyOutputOpen());
}

// A stream without a language: "--" in the .idx, which mkvmerge takes for
// none.
TEST_F(VobSubDvd, NoLanguageIsOneMkvmergeReadsAsUndetermined) {
    giveColourTable();
    session.playlist.sub[0].language = "und";
    linesOf(bDemuxClick);
    EXPECT_EQ(parseIdx(text(output(stem + ".idx"))).language, "--");
    CliResult probe = runTool(dir, {"mkvmerge", "-J", at(stem + ".idx")});
    ASSERT_EQ(probe.exitCode, 0) << probe.out;
    JsonValue info = parseJson(probe.out);
    ASSERT_EQ(info["tracks"].items.size(), 1u);
    EXPECT_EQ(info["tracks"][0]["properties"]["language"].text, "und");
}
