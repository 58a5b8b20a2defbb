// Real DVD VOB files made by ffmpeg's DVD muxer (tests/fixtures, rebuilt by
// make-fixtures.sh): Read EVO reports the streams and frames that ffprobe
// finds, and write mode gives each stream byte for byte as ffmpeg demuxes it.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "cli/memory_front_end.h"
#include "commands/read_evo.h"
#include "commands/source_selection.h"
#include "engine/demux.h"
#include "support/byte_difference.h"
#include "support/command_bench.h"
#include "support/fast_path_check.h"
#include "support/fixture_files.h"
#include "support/pack_builder.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// A user who chose the fixture and pressed "Read EVO", then had the ticked
// streams written as the Demux command drives the engine.
struct Reader {
    MemoryFrontEnd ui;
    Session session{ui};
    TempDir dir;

    std::vector<std::string> readEvo(const std::string& name) {
        ui.setText(Edit::eEVOfile, fixture(name));
        DialogPresets dialogs;
        EVOadj(session, dialogs);
        ui.logLines.clear();
        bCheckClick(session);
        return ui.logLines;
    }

    // Every ticked slot box gets an output file; returns their contents.
    std::map<Box, Bytes> writeTicked(const std::string& name) {
        StreamTable& t = session.table;
        std::map<Box, OutputFile*> outputs;
        for (int n = 0; n < kVideoSlots; ++n)
            if (ui.ticked(videoBox(n))) outputs[videoBox(n)] = &t.VideoOut[static_cast<std::size_t>(n)];
        for (int n = 0; n < kAudioSlots; ++n)
            if (ui.ticked(audioBox(n))) outputs[audioBox(n)] = &t.AudioOut[static_cast<std::size_t>(n)];
        for (int n = 0; n < kSubBoxSlots; ++n)
            if (ui.ticked(subBox(n))) outputs[subBox(n)] = &t.SubpictureOut[static_cast<std::size_t>(n)];
        for (auto& [box, out] : outputs) out->create(dir.file(boxName(box)));
        resetFrameCounts(t);
        t.SourceStream.open(fixture(name));
        demux(session, RunMode::Write);
        t.SourceStream.close();
        std::map<Box, Bytes> contents;
        for (auto& [box, out] : outputs) {
            out->close();
            contents[box] = readFile(dir.file(boxName(box)));
        }
        return contents;
    }

};

}  // namespace

// two_ac3.vob: 720x576 MPEG-2 video, 60 frames at 25 fps, and AC-3 tracks
// 0x80 and 0x81. The timestamps are those of the first PES packet of each
// stream, as ffprobe shows them (two_ac3.probe.txt): video PTS 48600 (DTS
// 45000: the stream has B pictures), both audio tracks PTS 48120. ffprobe
// counts 60 video frames; the engine counts picture start codes, one per
// frame for these progressive frame pictures. The video's first chunk
// starts with its sequence header (two_ac3.video.headers.txt: 720x576,
// sample aspect 1:1, frame_rate_code 3, bit_rate_value 262143, the
// variable-rate mark, progressive_sequence 1) and ends inside the first
// picture, so the analyser writes no PTS line.
TEST(DvdVobTwoAc3, ReadEvoReportsTheStreamsAndFramesFfprobeFinds) {
    const std::vector<std::string> expected{
        "Opening file two_ac3.vob",
        "File size: 0 Mbytes.",
        "It contains 1 video stream and 2 audio streams.",  // the system header's bounds
        "MPEG-2 video stream 0 found!",
        "   First PTS = 0000BDD8",
        "   Sequence Header found",
        "   0 frames before first Sequence Header",
        "   size = 720x576",
        "   Aspect ratio = square samples",
        "   Frame rate = 25",
        "  Sequence header bitrate = 104857200 bps",
        "   Progressive Sequence = 1",
        "DD audio stream 0 found!",
        "   First PTS = 0000BBF8",
        "DD audio stream 1 found!",
        "   First PTS = 0000BBF8",
        "Done.",
        "60 frames (0:00:02 s) count in video stream 0.",  // 60 x 1001/24000 s = 2.5025 s
    };
    Reader r;
    EXPECT_EQ(r.readEvo("two_ac3.vob"), expected);
    EXPECT_EQ(r.session.table.FrameCount[0], 60);
    EXPECT_EQ(enabledBoxes(r.ui), (std::vector<Box>{videoBox(0), audioBox(0), audioBox(1)}));
    EXPECT_EQ(r.ui.caption(videoBox(0)), "MPEG-2.stream.0");
    EXPECT_EQ(r.ui.caption(audioBox(0)), "DD.stream.00");
    EXPECT_EQ(r.ui.caption(audioBox(1)), "DD.stream.01");

    // The plain byte step, without the fast paths, reads and writes the file alike.
    expectFastEqualsPlain(readFile(fixture("two_ac3.vob")), RunMode::Scan);
    expectFastEqualsPlain(readFile(fixture("two_ac3.vob")), RunMode::Write);

    // Without "Detailed info" the log is exactly the lines above less the
    // indented ones (First PTS and the analyser's): nothing else is written.
    Reader brief;
    brief.ui.setTicked(Box::cbDetails, false);
    std::vector<std::string> withoutDetails;
    for (const auto& line : expected)
        if (line.rfind(' ', 0) != 0) withoutDetails.push_back(line);
    EXPECT_EQ(brief.readEvo("two_ac3.vob"), withoutDetails);
}

// ffmpeg's stream copy gives the video PES payloads concatenated and the
// AC-3 payloads after the 4-byte substream header; for these files its AC-3
// output is made of whole frames that fill the payloads exactly, so all
// three must match byte for byte.
TEST(DvdVobTwoAc3, WriteModeGivesFfmpegsDemuxOfEachStream) {
    Reader r;
    r.readEvo("two_ac3.vob");
    std::size_t linesBefore = r.ui.logLines.size();
    auto out = r.writeTicked("two_ac3.vob");
    EXPECT_EQ(r.ui.logLines.size(), linesBefore);  // write mode logs nothing
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(bytesDifference(out[videoBox(0)], readFile(fixture("two_ac3.video.m2v"))), "");
    EXPECT_EQ(bytesDifference(out[audioBox(0)], readFile(fixture("two_ac3.audio0.ac3"))), "");
    EXPECT_EQ(bytesDifference(out[audioBox(1)], readFile(fixture("two_ac3.audio1.ac3"))), "");
    EXPECT_EQ(r.session.table.FrameCount[0], 60);  // the ticked video slot is counted
    EXPECT_EQ(r.session.table.FrameCount[1], 0);
}

// lpcm_ac3.vob: ffmpeg's DVD muxer numbers its LPCM track 0xA0 and its AC-3
// track 0x80, so both fall into audio slot 0. The LPCM packets come first
// (LPCM PTS 48600, AC-3 PTS 48120, lpcm_ac3.probe.txt), so LPCM claims the
// slot and the AC-3 packets are passed over: no line, no box, no bytes.
// ffprobe counts 30 video frames. The video's first chunk gives its
// sequence header (lpcm_ac3.video.headers.txt: 352x288, otherwise as in
// two_ac3.vob) and ends inside the first picture.
TEST(DvdVobLpcmAndAc3, OnlyTheFirstSubstreamOfTheSharedSlotIsReportedAndWritten) {
    Reader r;
    EXPECT_EQ(r.readEvo("lpcm_ac3.vob"),
              (std::vector<std::string>{
                  "Opening file lpcm_ac3.vob",
                  "File size: 0 Mbytes.",
                  "It contains 1 video stream and 2 audio streams.",
                  "MPEG-2 video stream 0 found!",
                  "   First PTS = 0000BDD8",
                  "   Sequence Header found",
                  "   0 frames before first Sequence Header",
                  "   size = 352x288",
                  "   Aspect ratio = square samples",
                  "   Frame rate = 25",
                  "  Sequence header bitrate = 104857200 bps",
                  "   Progressive Sequence = 1",
                  "LPCM audio stream 0 found!",
                  "   First PTS = 0000BDD8",
                  "Done.",
                  "30 frames (0:00:01 s) count in video stream 0.",  // 1.25125 s
              }));
    EXPECT_EQ(enabledBoxes(r.ui), (std::vector<Box>{videoBox(0), audioBox(0)}));
    EXPECT_EQ(r.ui.caption(audioBox(0)), "LPCM.stream.00");

    auto out = r.writeTicked("lpcm_ac3.vob");
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(bytesDifference(out[videoBox(0)], readFile(fixture("lpcm_ac3.video.m2v"))), "");
    // The payload after the 7-byte LPCM substream header is the bare 16-bit
    // big-endian stereo samples, which is what ffmpeg's decode to s16be
    // gives; a single AC-3 byte interleaved would change size and content.
    EXPECT_EQ(bytesDifference(out[audioBox(0)], readFile(fixture("lpcm_ac3.audio0.pcm"))), "");
    EXPECT_EQ(r.session.table.FrameCount[0], 30);
}
