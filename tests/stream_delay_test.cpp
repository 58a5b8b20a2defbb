// The delays of the stream facts on ffmpeg's program streams, after the
// real Read EVO and Demux commands: each stream's delay to the video is
// ffprobe's start time of the stream less the video's, where the video
// starts with the picture it shows first. Where B pictures shown before the
// first I picture lead the video (open_gop.mpg), that picture is not the
// first packet's, and a muxer given the demuxed streams and the delay puts
// the tracks in step only with the lowest PTS shown: mkvmerge is run on
// Demux's own files to check it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "engine/stream_facts.h"
#include "support/command_bench.h"
#include "support/engine_checks.h"
#include "support/engine_harness.h"
#include "support/fixture_files.h"
#include "support/probe_report.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// ffprobe's start PTS of the stream with the id ("0x80", "0x1e0").
std::int64_t ffprobeStart(const std::string& file, const std::string& id) {
    for (const ProbeEntry& e : readProbeReport(fixture("stream_probe.probe.txt")))
        if (e.at("file") == file && e.at("id") == id) return std::stoll(e.at("start_pts"));
    ADD_FAILURE() << "no stream " << id << " in " << file;
    return 0;
}

int roundedMs(std::int64_t ticks) { return static_cast<int>(std::lround(static_cast<double>(ticks) / 90.0)); }

// The fixture read and then demuxed by the commands, as a user does.
struct Demuxed {
    CommandBench bench;
    StreamFacts afterRead;

    explicit Demuxed(const std::string& name) {
        bench.write("FEATURE_1.EVO", readFile(fixture(name)));
        bench.readEvo();
        afterRead = bench.session.facts;
        EXPECT_EQ(bench.run(bDemuxClick), "");
    }
    // The output file whose name ends so.
    std::string output(const std::string& ending) const {
        for (const std::string& name : filesIn(bench.out))
            if (name.size() > ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0)
                return bench.out + "/" + name;
        ADD_FAILURE() << "no output ending in " << ending;
        return "";
    }
};

std::string commandOutput(const std::string& command) {
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return "";
    std::string text;
    char chunk[256];
    while (std::fgets(chunk, sizeof chunk, pipe) != nullptr) text += chunk;
    ::pclose(pipe);
    return text;
}

// The time in ms of the first packet of a track of a Matroska file, in the
// order the file holds them (a video's first is its I picture).
double firstPacketMs(const std::string& mkv, const char* track) {
    std::string text = commandOutput(std::string("ffprobe -v error -select_streams ") + track +
                                     " -show_entries packet=pts_time -of csv=p=0 '" + mkv + "' | head -1");
    return std::stod(text) * 1000.0;
}

}  // namespace

// two_ac3.vob: video PTS 48600, both AC-3 tracks 48120, so -480 / 90 =
// -5.33 ms, -5. lpcm_ac3.vob: the LPCM track starts at the video's PTS (the
// AC-3 track in its slot is passed over). Demux, which meets every stream
// it writes, gives the same facts as Read EVO.
TEST(StreamDelays, AreFfprobesStartTimesLessTheVideos) {
    struct Case {
        const char* file;
        std::vector<std::pair<std::size_t, const char*>> audio;  // slot, ffprobe's id
    };
    const Case cases[] = {{"two_ac3.vob", {{0, "0x80"}, {1, "0x81"}}}, {"lpcm_ac3.vob", {{0, "0xa0"}}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        Demuxed d(c.file);
        for (const StreamFacts* facts : {&d.afterRead, &d.bench.session.facts}) {
            std::int64_t video = ffprobeStart(c.file, "0x1e0");
            EXPECT_EQ(delayMs(*facts, facts->video[0]), 0);
            for (auto [slot, id] : c.audio)
                EXPECT_EQ(delayMs(*facts, facts->audio[slot]), roundedMs(ffprobeStart(c.file, id) - video));
            EXPECT_FALSE(facts->audio[2].met);
            EXPECT_EQ(delayMs(*facts, facts->audio[2]), std::nullopt);
        }
        EXPECT_EQ(delayMs(d.afterRead, d.afterRead.audio[0]), -5 * (c.audio.size() == 2));
    }
}

// The log's "First PTS" of a stream is the PTS pending when its slot was
// found, for video that of the last header with a DTS. Where each first
// packet carries a PTS and a DTS (video with B pictures) or a PTS alone
// (audio) that is the first packet's own PTS. h264_baseline1b.vob has no B
// pictures, so ffmpeg writes its video headers with a PTS alone (45000, as
// ffprobe's start_pts): the log shows 0, the facts' first PTS is 45000.
TEST(StreamDelays, TheLoggedFirstPtsIsTheFirstPacketsUnlessTheVideoHasNoDts) {
    for (const char* file : {"two_ac3.vob", "lpcm_ac3.vob", "open_gop.mpg", "h264_high1b.vob", "h264_high41.vob"}) {
        SCOPED_TRACE(file);
        Demuxed d(file);
        for (const SlotFacts* f : {&d.afterRead.video[0], &d.afterRead.video[1], &d.afterRead.audio[0],
                                   &d.afterRead.audio[1]}) {
            if (!f->met) continue;
            EXPECT_TRUE(f->hasShownPts && f->hasPts);
            EXPECT_EQ(f->shownPts, f->firstPts);
        }
        EXPECT_TRUE(d.afterRead.video[0].met || d.afterRead.video[1].met);
    }
    Demuxed baseline("h264_baseline1b.vob");
    const SlotFacts& video = baseline.afterRead.video[0];
    EXPECT_EQ(video.shownPts, 0u);
    EXPECT_EQ(video.firstPts, 45000u);
    EXPECT_EQ(static_cast<std::int64_t>(video.firstPts), ffprobeStart("h264_baseline1b.vob", "0x1e2"));
}

// open_gop.mpg: the first video packet is the I picture (PTS 91800, as
// ffprobe's start_pts), then the two B pictures shown before it (84600,
// 88200); the AC-3 track starts at 71160. A muxer starts the video track
// with the B picture at 84600, so the audio's delay is (71160 - 84600) / 90
// = -149 ms, not (71160 - 91800) / 90 = -229. mkvmerge given Demux's video
// and audio files and that delay keeps the I picture where the source has
// it against the audio: their distance differs from the source's by whole
// audio frames (32 ms; mkvmerge drops the frames a negative delay puts
// before the start), never by the 80 ms of the two B pictures.
TEST(StreamDelays, OpenGopVideoStartsAtItsLowestPtsAsAMuxerShowsIt) {
    Demuxed d("open_gop.mpg");
    const StreamFacts& facts = d.bench.session.facts;
    EXPECT_EQ(facts.video[0].firstPts, 91800u);
    EXPECT_EQ(static_cast<std::int64_t>(facts.video[0].firstPts), ffprobeStart("open_gop.mpg", "0x1e0"));
    EXPECT_EQ(facts.video[0].earliestPts, 84600u);
    EXPECT_EQ(facts.audio[0].firstPts, 71160u);
    std::optional<int> delay = delayMs(facts, facts.audio[0]);
    ASSERT_EQ(delay, -149);

    std::string mkv = d.bench.dir.file("muxed.mkv");
    std::string command = "mkvmerge -q -o '" + mkv + "' '" + d.output(".mpv") + "' --sync 0:" +
                          std::to_string(*delay) + " '" + d.output(".mpa") + "' >/dev/null 2>&1";
    int status = std::system(command.c_str());
    ASSERT_TRUE(status == 0 || WEXITSTATUS(status) == 1) << "mkvmerge failed (1 is its warnings)";
    double muxed = firstPacketMs(mkv, "v:0") - firstPacketMs(mkv, "a:0");
    double source = (91800.0 - 71160.0) / 90.0;  // the I picture after the audio's first frame
    double frames = (source - muxed) / 32.0;
    EXPECT_NEAR(frames, std::round(frames), 1.5 / 32.0) << "muxed " << muxed << " ms, source " << source << " ms";
}

// The earliest PTS on built packets: the lowest up to the first packet
// later than the first, whatever comes after it, across the 2^32 wrap of
// the timestamps as they are held; an audio stream whose first packet has
// no PTS takes its delay from its first that has one.
TEST(StreamDelays, TheEarliestPtsEndsAtTheFirstLaterPacket) {
    const std::uint64_t wrap = 1ull << 32;
    const std::uint64_t video[] = {wrap - 100, wrap - 3700, wrap - 1900, wrap + 3500, wrap - 9000};
    Bytes file;
    for (std::uint64_t pts : video) file += pack({videoPacket(0xE0, Bytes{0x00, 0x00, 0x01, 0x00, 0x11}, pts, pts - 3600)});
    file += pack({privateStream1(ac3Payload(0x80, Bytes{0x0B, 0x77, 0x00}))});  // no PTS
    file += pack({privateStream1(ac3Payload(0x80, Bytes{0x0B, 0x77, 0x00}), wrap + 1000)});
    Harness h;
    h.run(file);
    const StreamFacts& facts = h.session.facts;
    EXPECT_EQ(facts.video[0].firstPts, static_cast<std::uint32_t>(wrap - 100));
    EXPECT_EQ(facts.video[0].earliestPts, static_cast<std::uint32_t>(wrap - 3700));
    EXPECT_TRUE(facts.video[0].earliestSettled);
    EXPECT_EQ(facts.audio[0].firstPts, 1000u);
    EXPECT_EQ(delayMs(facts, facts.audio[0]), 52);  // 4700 / 90 = 52.2
}
