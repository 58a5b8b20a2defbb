// Files named by codec ("Name files by codec"): the extension of every
// coding, the coding a caption names, the names Demux plans from what it
// knows (the Read EVO before, the ids, the playlist's captions), the
// rename when the stream shows another coding, the check that keeps two
// streams out of one file, and today's names and bytes with the option off.
#include <gtest/gtest.h>

#include "commands/codec_names.h"
#include "commands/demux_command.h"
#include "commands/source_selection.h"
#include "playlist/read_xpl_command.h"
#include "support/command_bench.h"
#include "support/engine_checks.h"
#include "support/fixture_files.h"
#include "support/lpcm_stream.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

Bytes vc1Frames(int n) {
    Bytes b;
    for (int k = 0; k < n; ++k) b += {0x00, 0x00, 0x01, 0x0D, 0x42, 0x42, 0x42, 0x42};
    return b;
}

// Real frames of each coding, so that what their bytes tell agrees with
// their substream id.
Bytes eac3Bytes() { return head(readFile(fixture("eac3_stereo.eac3")), 600); }
Bytes ac3Bytes() { return head(readFile(fixture("ac3_51.ac3")), 600); }

// VC-1 in video slot 0, DD+ (E-AC-3) in audio slots 3 and 5.
Bytes feature(const Bytes& slot3 = eac3Bytes()) {
    return pack({vc1Packet(0x55, vc1Frames(3)), privateStream1(ac3Payload(0xC3, slot3), 90000),
                 privateStream1(ac3Payload(0xC5, eac3Bytes()), 90000)});
}

// The title that plays FEATURE_1.EVO: VC-1 track 1, stream 4 as DD+ and
// stream 6 as DD (which the source holds as DD+).
const char* kPlaylist = R"(<?xml version="1.0"?>
<Playlist xmlns="http://www.dvdforum.org/2005/HDDVDVideo/Playlist" displayName="Sample">
<MediaAttributeList>
<VideoAttributeItem index="1" codec="VC-1"/>
<AudioAttributeItem index="1" codec="DD+" channels="6"/>
<AudioAttributeItem index="2" codec="DD" channels="2"/>
</MediaAttributeList>
<TitleSet>
<Title id="Title1" displayName="Feature" titleDuration="00:01:00:00">
<PrimaryAudioVideoClip src="file:///dvddisc/HVDVD_TS/FEATURE_1.MAP">
<Video track="1" mediaAttr="1"/>
<Audio track="1" streamNumber="4" mediaAttr="1" description="en"/>
<Audio track="2" streamNumber="6" mediaAttr="2" description="fr"/>
</PrimaryAudioVideoClip>
</Title>
</TitleSet>
</Playlist>
)";

class CodecFiles : public ::testing::Test, protected CommandBench {
protected:
    CodecFiles() { ui.setTicked(Box::cbCodecFiles, true); }
    Lines demux() { return linesOf(bDemuxClick); }
    // Chooses the source and reads the playlist, as the user does instead
    // of Read EVO.
    void readXpl() {
        choose();
        std::string xpl = dir.file("VPLST000.XPL");
        std::string text = kPlaylist;
        dir.write("VPLST000.XPL", Bytes(text.begin(), text.end()));
        ui.setText(Edit::eXPLfile, xpl);
        XPLadj(session, dialogs);
        bReadXPLClick(session);
    }
    std::string at(const std::string& name) const { return out + "/" + name; }
};

}  // namespace

TEST(CodecExtension, EveryCodingHasItsOwn) {
    const std::vector<std::pair<ContentCoding, std::string>> expected{
        {ContentCoding::Vc1, "vc1"},   {ContentCoding::H264, "h264"},  {ContentCoding::Mpeg2, "m2v"},
        {ContentCoding::Ac3, "ac3"},   {ContentCoding::Eac3, "eac3"},  {ContentCoding::Dts, "dts"},
        {ContentCoding::TrueHd, "thd"}, {ContentCoding::Mlp, "mlp"},   {ContentCoding::Lpcm, "wav"},
        {ContentCoding::Subpicture, "sup"}, {ContentCoding::Unknown, ""}};
    for (const auto& [coding, extension] : expected)
        EXPECT_EQ(codecExtension(coding), extension) << static_cast<int>(coding);
}

TEST(CodecExtension, CaptionsNameTheirCodingByTypeNameOrPlaylistCodec) {
    const std::vector<std::pair<std::string, ContentCoding>> expected{
        {"VC-1.stream.0", ContentCoding::Vc1},         {"MPEG-2.stream.1", ContentCoding::Mpeg2},
        {"H.264.stream.0", ContentCoding::H264},       {"AVC.stream.0", ContentCoding::H264},
        {"AVC/H.264.stream.0", ContentCoding::H264},   {"DD.stream.00", ContentCoding::Ac3},
        {"DD+.stream.03", ContentCoding::Eac3},        {"DD+.6ch.stream.02.en", ContentCoding::Eac3},
        {"DD.2ch.stream.05.fr", ContentCoding::Ac3},   {"DTSHD.stream.01", ContentCoding::Dts},
        {"DTS-HD.6ch.stream.01.ja", ContentCoding::Dts}, {"DTS.stream.01.en", ContentCoding::Dts},
        {"LPCM.stream.07", ContentCoding::Lpcm},       {"LPCM.2ch.stream.07.en", ContentCoding::Lpcm},
        {"MLP.stream.02", ContentCoding::TrueHd},      {"MLP.8ch.stream.02.en", ContentCoding::TrueHd},
        {"Subpicture.00", ContentCoding::Subpicture},  {"Ext.Subpicture.12", ContentCoding::Subpicture},
        {"Audio stream", ContentCoding::Unknown},      {"DD+6ch.stream.00", ContentCoding::Unknown},
        {".stream.00.en", ContentCoding::Unknown},     {"DDX.stream.00", ContentCoding::Unknown}};
    for (const auto& [caption, coding] : expected)
        EXPECT_EQ(codingOfCaption(caption), coding) << caption;
    // The mark Read XPL leaves in a slot is no id.
    EXPECT_EQ(codingOfSlotId(SlotTable::audio, 1), ContentCoding::Unknown);
    EXPECT_EQ(codingOfSlotId(SlotTable::audio, -1), ContentCoding::Unknown);
    EXPECT_EQ(codingOfSlotId(SlotTable::audio, 0xB2), ContentCoding::TrueHd);
    EXPECT_EQ(codingOfSlotId(SlotTable::video, 0xE2), ContentCoding::H264);
}

TEST_F(CodecFiles, AfterReadEvoTheNamesFollowTheCodingsAndTheFactsHoldTheFiles) {
    write("FEATURE_1.EVO", feature());
    readEvo();
    EXPECT_EQ(demux(), (Lines{"Opening file FEATURE_1.EVO", "File size: 0 Mbytes.",
                              "Creating " + at("FEATURE_1.VC-1.stream.0.vc1"),
                              "Creating " + at("FEATURE_1.DD+.stream.03.eac3"),
                              "Creating " + at("FEATURE_1.DD+.stream.05.eac3"), "Done.",
                              "3 frames (0:00:00 s) count in video stream 0."}));
    EXPECT_EQ(output("FEATURE_1.DD+.stream.03.eac3"), eac3Bytes());
    EXPECT_EQ(session.facts.video[0].file, at("FEATURE_1.VC-1.stream.0.vc1"));
    EXPECT_EQ(session.facts.audio[5].file, at("FEATURE_1.DD+.stream.05.eac3"));
    EXPECT_TRUE(session.facts.audio[0].file.empty());
}

TEST_F(CodecFiles, AfterReadXplACaptionsCodingThatTheStreamBeliesIsRenamedAtTheClose) {
    write("FEATURE_1.EVO", feature());
    readXpl();
    ASSERT_EQ(session.table.AudioIds[5], 1);  // a mark, not an id
    ASSERT_EQ(ui.caption(audioBox(5)), "DD.2ch.stream.05.fr");
    Lines log = demux();
    const std::string planned = at("FEATURE_1.DD.2ch.stream.05.fr.ac3");
    const std::string finalName = at("FEATURE_1.DD.2ch.stream.05.fr.eac3");
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"Creating " + at("FEATURE_1.VC-1.stream.0.vc1"),
                     "Creating " + at("FEATURE_1.DD+.6ch.stream.03.en.eac3"), "Creating " + planned,
                     renamedLine(planned, finalName), "Done.", "3 frames (0:00:00 s) count in video stream 0."}));
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1.DD+.6ch.stream.03.en.eac3", "FEATURE_1.DD.2ch.stream.05.fr.eac3",
                                   "FEATURE_1.VC-1.stream.0.vc1"}));
    EXPECT_EQ(output("FEATURE_1.DD.2ch.stream.05.fr.eac3"), eac3Bytes());
    EXPECT_EQ(session.facts.audio[5].file, finalName);
    EXPECT_EQ(renamedLine("A", "B"), "Renamed A to B");
}

// What the Read EVO before learnt of a stream names its file; here a fact
// set as the probe of the first payload sets it for AC-3 in a DD+ substream.
TEST_F(CodecFiles, TheReadEvoBeforeNamesTheFileByWhatItLearnt) {
    write("FEATURE_1.EVO", feature());
    readEvo();
    session.facts.audio[3].coding = ContentCoding::Ac3;
    Lines log = demux();
    EXPECT_EQ(log[3], "Creating " + at("FEATURE_1.DD+.stream.03.ac3"));
    // This run's own facts (E-AC-3 bytes) have the last word.
    EXPECT_EQ(log[5], renamedLine(at("FEATURE_1.DD+.stream.03.ac3"), at("FEATURE_1.DD+.stream.03.eac3")));

    // The facts of another source are not taken.
    readEvo();
    session.facts.audio[3].coding = ContentCoding::Ac3;
    write("FEATURE_1.VOB", feature());
    choose("FEATURE_1.VOB");
    ui.setTicked(audioBox(3), true);
    EXPECT_EQ(demux()[3], "Creating " + at("FEATURE_1.DD+.stream.03.eac3"));
}

// AC-3 in a DD+ substream after Read XPL: planned .eac3 by the caption,
// renamed .ac3 once the first payload's probe tells AC-3 from E-AC-3
// (the stream probe reads the frames).
TEST_F(CodecFiles, AfterReadXplADdPlusSlotHoldingAc3IsRenamed) {
    write("FEATURE_1.EVO", feature(ac3Bytes()));
    readXpl();
    Lines log = demux();
    const std::string planned = at("FEATURE_1.DD+.6ch.stream.03.en.eac3");
    const std::string finalName = at("FEATURE_1.DD+.6ch.stream.03.en.ac3");
    EXPECT_EQ(log[3], "Creating " + planned);
    EXPECT_EQ(log[5], renamedLine(planned, finalName));
    EXPECT_EQ(output("FEATURE_1.DD+.6ch.stream.03.en.ac3"), ac3Bytes());
    EXPECT_EQ(session.facts.audio[3].file, finalName);
}

// A stream the playlist names but the source lacks leaves its file empty
// under the name planned by the caption, which no coding of its own belies.
TEST_F(CodecFiles, AStreamThatNeverComesKeepsTheNamePlannedForIt) {
    write("FEATURE_1.EVO", pack({vc1Packet(0x55, vc1Frames(3)), privateStream1(ac3Payload(0xC3, eac3Bytes()), 90000)}));
    readXpl();
    Lines log = demux();
    const std::string planned = at("FEATURE_1.DD.2ch.stream.05.fr.ac3");
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"Creating " + at("FEATURE_1.VC-1.stream.0.vc1"),
                     "Creating " + at("FEATURE_1.DD+.6ch.stream.03.en.eac3"), "Creating " + planned, "Done.",
                     "3 frames (0:00:00 s) count in video stream 0."}));
    EXPECT_EQ(output("FEATURE_1.DD.2ch.stream.05.fr.ac3"), Bytes{});
    EXPECT_FALSE(session.facts.audio[5].met);
    EXPECT_EQ(session.facts.audio[5].file, planned);
}

TEST_F(CodecFiles, CaptionsThatNameOneFileLessTheExtensionStopBeforeAnyFileIsMade) {
    write("FEATURE_1.EVO", feature());
    readEvo();
    // Video and audio captions alike: with the extension set by the coding
    // the two files could still end under one name.
    ui.setCaption(videoBox(0), "X");
    ui.setCaption(audioBox(5), "X");
    EXPECT_EQ(run(bDemuxClick), sharedOutputMessage(at("FEATURE_1.X.eac3")));
    EXPECT_TRUE(filesIn(out).empty());
    EXPECT_FALSE(anyOutputOpen());
}

TEST_F(CodecFiles, OffTheNamesAndBytesAreTodays) {
    Samples samples = randomSamples(16, 2, 400, 4);
    Bytes lpcm = discSamples(samples, 16, 2);
    write("FEATURE_1.EVO", feature() + lpcmSource(lpcm, lpcmFormatByte(16, 48000, 2)));
    readEvo();
    ui.setTicked(Box::cbCodecFiles, false);
    Lines log = demux();
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"Creating " + at("FEATURE_1.VC-1.stream.0.mpv"), "Creating " + at("FEATURE_1.LPCM.stream.00.mpa"),
                     "Creating " + at("FEATURE_1.DD+.stream.03.mpa"), "Creating " + at("FEATURE_1.DD+.stream.05.mpa"),
                     "Done.", "3 frames (0:00:00 s) count in video stream 0."}));
    EXPECT_EQ(output("FEATURE_1.LPCM.stream.00.mpa"), lpcm);  // the bare samples
    EXPECT_EQ(session.facts.audio[0].file, at("FEATURE_1.LPCM.stream.00.mpa"));

    // Ticked, the same selection gives the codec names; off again, today's.
    ui.setTicked(Box::cbCodecFiles, true);
    EXPECT_EQ(demux()[3], "Creating " + at("FEATURE_1.LPCM.stream.00.wav"));
    ui.setTicked(Box::cbCodecFiles, false);
    EXPECT_EQ(demux()[3], "Creating " + at("FEATURE_1.LPCM.stream.00.mpa"));
    EXPECT_EQ(output("FEATURE_1.LPCM.stream.00.mpa"), lpcm);
}
