// The report assembled from a session whose facts are filled by hand: each
// field from the fact it reports, the names a stream gets when the
// playlist gives none, the fields left out when not known, and playlist
// names that would break JSON.
#include <gtest/gtest.h>

#include "cli/memory_front_end.h"
#include "engine/session.h"
#include "report/report.h"
#include "report/report_fields.h"
#include "support/json_value.h"
#include "support/report_streams.h"

using namespace strandex;
using namespace strandex::test;
using namespace std::string_literals;

namespace {

SlotFacts metStream(std::int32_t id, ContentCoding coding, std::uint32_t pts) {
    SlotFacts f;
    f.met = true;
    f.id = id;
    f.coding = coding;
    f.hasPts = f.hasShownPts = true;
    f.firstPts = f.earliestPts = f.shownPts = pts;
    f.earliestSettled = true;
    return f;
}

// A feature after Demux: VC-1 in video slot 0, DD+ 5.1 in audio slot 3
// (0.5 s late), DTS 2.0 in audio slot 1 (no PTS of its own), a subpicture
// in slot 20, which has no box.
struct Feature {
    MemoryFrontEnd ui;
    Session session{ui};

    Feature() {
        StreamFacts& f = session.facts;
        f.parts = {"/disc/FEATURE_1.EVO", "/disc/FEATURE_2.EVO"};
        f.size = 6000000000;
        f.video[0] = metStream(0x55, ContentCoding::Vc1, 90000);
        f.video[0].frameRateNum = 24000;
        f.video[0].frameRateDen = 1001;
        f.video[0].file = "/out/FEATURE_1_2.VC-1.stream.0.vc1";
        f.audio[3] = metStream(0xC3, ContentCoding::Eac3, 90000 + 45000);
        f.audio[3].channels = 6;
        f.audio[3].lfe = true;
        f.audio[3].sampleRate = 48000;
        f.audio[3].bitRate = 640000;
        f.audio[1] = metStream(0x89, ContentCoding::Dts, 0);
        f.audio[1].hasPts = f.audio[1].hasShownPts = false;
        f.audio[1].channels = 2;
        f.sub[20] = metStream(0x34, ContentCoding::Subpicture, 90000 - 900);
        session.table.FrameCount[0] = 108;
        ui.setText(Edit::eEVOfile, "/disc/FEATURE_1.EVO");
        offer(videoBox(0), "VC-1.stream.0");
        offer(audioBox(3), "DD+.stream.03");
        offer(audioBox(1), "DTSHD.stream.01");
    }
    void offer(Box box, const std::string& caption) {
        ui.setBoxEnabled(box, true);
        ui.setCaption(box, caption);
    }
    JsonValue report(ReportStreams streams = ReportStreams::met) const {
        return parseJson(reportJson(session, streams));
    }
};

}  // namespace

TEST(Report, EachMetStreamWithWhatIsKnownOfIt) {
    Feature feature;
    JsonValue r = feature.report();
    EXPECT_EQ(r.keys(), (std::vector<std::string>{"source", "parts", "size", "streams"}));
    EXPECT_EQ(r["source"].text, "/disc/FEATURE_1.EVO");
    ASSERT_EQ(r["parts"].items.size(), 2u);
    EXPECT_EQ(r["parts"][1].text, "/disc/FEATURE_2.EVO");
    EXPECT_EQ(r["size"].integer, 6000000000);
    EXPECT_EQ(slotsOf(r), (std::vector<std::string>{"video0", "audio1", "audio3", "sub20"}));

    const JsonValue& video = streamOf(r, "video0");
    EXPECT_EQ(video.keys(), (std::vector<std::string>{"slot", "type", "caption", "id", "first_pts", "delay_ms",
                                                      "language", "name", "forced", "frames", "frame_rate",
                                                      "file"}));
    EXPECT_EQ(video["id"].text, "0xFD55");
    EXPECT_EQ(video["type"].text, "VC-1");
    EXPECT_EQ(video["caption"].text, "VC-1.stream.0");
    EXPECT_EQ(video["first_pts"].integer, 90000);
    EXPECT_EQ(video["delay_ms"].integer, 0);
    EXPECT_EQ(video["name"].text, "VC-1");
    EXPECT_EQ(video["frames"].integer, 108);
    EXPECT_EQ(video["frame_rate"].text, "24000/1001");
    EXPECT_EQ(video["file"].text, "/out/FEATURE_1_2.VC-1.stream.0.vc1");

    const JsonValue& ddPlus = streamOf(r, "audio3");
    EXPECT_EQ(ddPlus["id"].text, "0xC3");
    EXPECT_EQ(ddPlus["type"].text, "DD+");
    EXPECT_EQ(ddPlus["delay_ms"].integer, 500);
    EXPECT_EQ(ddPlus["language"].text, "und");
    EXPECT_EQ(ddPlus["name"].text, "DD+ 5.1");
    EXPECT_FALSE(ddPlus["forced"].boolean);
    EXPECT_EQ(ddPlus["channels"].integer, 6);
    EXPECT_EQ(ddPlus["sample_rate"].integer, 48000);
    EXPECT_EQ(ddPlus["bit_rate"].integer, 640000);
    EXPECT_FALSE(ddPlus.has("frames"));
    EXPECT_FALSE(ddPlus.has("file"));

    // No PTS: neither first_pts nor delay_ms.
    const JsonValue& dts = streamOf(r, "audio1");
    EXPECT_EQ(dts.keys(), (std::vector<std::string>{"slot", "type", "caption", "id", "language", "name", "forced",
                                                    "channels"}));
    EXPECT_EQ(dts["type"].text, "DTSHD");
    EXPECT_EQ(dts["name"].text, "DTS 2.0");

    // Slot 20 has no box, so no caption; its type comes from its id.
    const JsonValue& sub = streamOf(r, "sub20");
    EXPECT_FALSE(sub.has("caption"));
    EXPECT_EQ(sub["id"].text, "0x34");
    EXPECT_EQ(sub["type"].text, "Subpicture");
    EXPECT_EQ(sub["delay_ms"].integer, -10);
}

TEST(Report, DelaysRoundToTheNearestMillisecondAndCrossTheTimestampWrap) {
    Feature feature;
    StreamFacts& f = feature.session.facts;
    f.audio[3].earliestPts = 90000 + 44;  // 0.49 ms
    f.audio[1] = metStream(0x89, ContentCoding::Dts, 90000 + 46);  // 0.51 ms
    EXPECT_EQ(streamOf(feature.report(), "audio3")["delay_ms"].integer, 0);
    EXPECT_EQ(streamOf(feature.report(), "audio1")["delay_ms"].integer, 1);
    f.video[0].earliestPts = 0xFFFFFFFF - 89;  // 90 ticks before the wrap
    f.audio[3].earliestPts = 90;
    EXPECT_EQ(streamOf(feature.report(), "audio3")["delay_ms"].integer, 2);
    // Without a video PTS no stream has a delay.
    f.video[0].hasPts = false;
    JsonValue r = feature.report();
    for (const auto& s : r["streams"].items) EXPECT_FALSE(s.has("delay_ms")) << s["slot"].text;
}

TEST(Report, LanguagesNamesAndForcedFlagsFromThePlaylistTitle) {
    Feature feature;
    PlaylistFacts& p = feature.session.playlist;
    p.titleFound = true;
    p.titleName = "Die Z\xC3\xB6pfe";
    p.durationMs = 6137500;
    p.audio[3] = TrackFacts{true, "de", "Deutsch", false};
    p.sub[20] = TrackFacts{true, "fr", "", true};
    p.chapters = {{0, 0, "Anfang"}, {760166, 760166000000, "Chapter 02"}, {-1, -1, "Broken"}};
    JsonValue r = feature.report();
    EXPECT_EQ(streamOf(r, "audio3")["language"].text, "de");
    EXPECT_EQ(streamOf(r, "audio3")["name"].text, "Deutsch");
    EXPECT_EQ(streamOf(r, "sub20")["language"].text, "fr");
    EXPECT_EQ(streamOf(r, "sub20")["name"].text, "Subpicture");  // named by type
    EXPECT_TRUE(streamOf(r, "sub20")["forced"].boolean);
    EXPECT_EQ(r["title"]["name"].text, "Die Z\xC3\xB6pfe");
    EXPECT_EQ(r["title"]["duration"].text, "01:42:17.500");
    ASSERT_EQ(r["chapters"].items.size(), 3u);
    EXPECT_EQ(r["chapters"][1]["start"].text, "00:12:40.166");
    EXPECT_EQ(r["chapters"][1]["name"].text, "Chapter 02");
    EXPECT_FALSE(r["chapters"][2].has("start"));  // a time that did not parse
    // A duration that did not parse is left out; the title stays.
    p.durationMs = -1;
    EXPECT_FALSE(feature.report()["title"].has("duration"));
}

TEST(Report, HostilePlaylistTextStaysValidJson) {
    Feature feature;
    PlaylistFacts& p = feature.session.playlist;
    p.titleFound = true;
    const std::string hostile = "\"}], \"x\": \\\"\x01\n\x1F\x7F\0end"s;
    p.titleName = hostile;
    p.audio[3].name = "fran\xE7" "ais";  // Latin-1: not UTF-8
    p.audio[3].language = "e\"n";
    p.chapters = {{0, 0, hostile}};
    feature.offer(audioBox(3), "DD+.stream.03.\"\\\t");
    std::string text = reportJson(feature.session, ReportStreams::met);
    JsonValue r = parseJson(text);
    EXPECT_EQ(r["title"]["name"].text, hostile);
    EXPECT_EQ(r["chapters"][0]["name"].text, hostile);
    EXPECT_EQ(streamOf(r, "audio3")["name"].text, "fran\xEF\xBF\xBD" "ais");
    EXPECT_EQ(streamOf(r, "audio3")["language"].text, "e\"n");
    EXPECT_EQ(streamOf(r, "audio3")["caption"].text, "DD+.stream.03.\"\\\t");
    EXPECT_EQ(r.keys(), (std::vector<std::string>{"source", "parts", "size", "streams", "title", "chapters"}));
}

TEST(Report, AfterReadXplAloneTheTitlesTracks) {
    MemoryFrontEnd ui;
    Session session(ui);
    session.table.VideoIds.fill(-1);
    session.table.AudioIds.fill(-1);
    session.table.SubpictureIds.fill(-1);
    // Read XPL marks each slot the title names with 1 and captions its box.
    session.table.VideoIds[0] = session.table.AudioIds[2] = session.table.SubpictureIds[17] = 1;
    ui.setBoxEnabled(videoBox(0), true);
    ui.setCaption(videoBox(0), "H.264.stream.0");
    ui.setBoxEnabled(audioBox(2), true);
    ui.setCaption(audioBox(2), "DD+.6ch.stream.02.en");
    session.playlist.titleFound = true;
    session.playlist.audio[2] = TrackFacts{true, "en", "", false};
    JsonValue r = parseJson(reportJson(session, ReportStreams::titleTracks));
    EXPECT_EQ(r.keys(), (std::vector<std::string>{"parts", "streams", "title", "chapters"}));  // no source was given
    EXPECT_TRUE(r["parts"].items.empty());
    EXPECT_EQ(slotsOf(r), (std::vector<std::string>{"video0", "audio2", "sub17"}));
    const JsonValue& audio = streamOf(r, "audio2");
    EXPECT_EQ(audio.keys(), (std::vector<std::string>{"slot", "type", "caption", "language", "name", "forced"}));
    EXPECT_EQ(audio["type"].text, "DD+");
    EXPECT_EQ(audio["name"].text, "DD+");
    EXPECT_EQ(audio["language"].text, "en");
    EXPECT_EQ(streamOf(r, "video0")["type"].text, "H.264");
    // No box, so no caption to tell its type or a name by.
    EXPECT_EQ(streamOf(r, "sub17").keys(), (std::vector<std::string>{"slot", "language", "forced"}));
    // The same session after Read EVO or Demux reports what the engine met: nothing here.
    EXPECT_TRUE(parseJson(reportJson(session, ReportStreams::met))["streams"].items.empty());
}

TEST(ReportFields, NamesIdsTypesAndTimes) {
    EXPECT_EQ(idText(SlotTable::video, 0xE1), "0xE1");
    EXPECT_EQ(idText(SlotTable::video, 0x56), "0xFD56");
    EXPECT_EQ(idText(SlotTable::audio, 0xA2), "0xA2");
    EXPECT_EQ(idText(SlotTable::subpicture, 0x7F), "0x7F");
    EXPECT_EQ(idText(SlotTable::audio, 0x20), "");  // no audio row holds it
    EXPECT_EQ(typeOfId(SlotTable::subpicture, 0x70), "Ext.Subpicture");
    EXPECT_EQ(typeOfId(SlotTable::audio, 0xB1), "MLP");
    EXPECT_EQ(typeOfCaption("DD+.6ch.stream.00.en"), "DD+");
    EXPECT_EQ(typeOfCaption("MPEG-2.stream.1"), "MPEG-2");
    EXPECT_EQ(typeOfCaption("LPCM.ch.stream.00.x"), "LPCM.ch");  // no count: not a channel tail
    EXPECT_EQ(typeOfCaption("No audio stream"), "");
    SlotFacts lpcm;
    lpcm.coding = ContentCoding::Lpcm;
    lpcm.lpcm = LpcmFormat{24, 96000, 8};
    EXPECT_EQ(streamName(lpcm, "LPCM"), "LPCM 8.0");
    EXPECT_EQ(sampleRateOf(lpcm), 96000);
    SlotFacts mono;
    mono.coding = ContentCoding::Ac3;
    mono.channels = 1;
    mono.lfe = true;  // an LFE alone is not taken for one
    EXPECT_EQ(streamName(mono, "DD"), "DD 1.0");
    EXPECT_EQ(streamName(SlotFacts{}, "Subpicture"), "Subpicture");
    EXPECT_EQ(clockText(0), "00:00:00.000");
    EXPECT_EQ(clockText(100LL * 3600000 + 59999), "100:00:59.999");
}
