// What Read XPL keeps of the title for other programs: languages, names
// and forced flags from the TrackNavigationList or the streams'
// descriptions, the chapters at the TitleSet's time base, and what it says
// of what it leaves out.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <random>

#include "playlist/language_codes.h"
#include "playlist/read_xpl_command.h"
#include "playlist/xml_text.h"
#include "playlist/xpl_time.h"
#include "support/playlist_bench.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

struct Track {
    std::string language;
    std::string name;
    bool forced = false;
    bool operator==(const Track&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Track& t) {
    return out << "{" << t.language << ", \"" << t.name << "\", " << (t.forced ? "forced" : "-") << "}";
}
struct Chapter {
    std::int64_t ms;
    std::int64_t ns;
    std::string name;
    bool operator==(const Chapter&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Chapter& c) {
    return out << "{" << c.ms << ", " << c.ns << ", \"" << c.name << "\"}";
}

// The listed slots of a kind, by slot.
template <std::size_t N>
std::map<int, Track> listed(const std::array<TrackFacts, N>& slots) {
    std::map<int, Track> tracks;
    for (std::size_t k = 0; k < N; ++k) {
        const TrackFacts& t = slots[k];
        if (t.listed) {
            tracks[static_cast<int>(k)] = {t.language, t.name, t.forced};
        } else {
            EXPECT_EQ(Track({t.language, t.name, t.forced}), Track({"und", "", false})) << k;
        }
    }
    return tracks;
}

std::vector<Chapter> chapters(const PlaylistFacts& facts) {
    std::vector<Chapter> list;
    for (const ChapterFacts& c : facts.chapters) list.push_back({c.startMs, c.startNs, c.name});
    return list;
}

Lines after(const Lines& log, std::size_t skip) { return Lines(log.begin() + static_cast<long>(skip), log.end()); }

}  // namespace

TEST(LanguageCodes, CheckedAgainstTheStandardsList) {
    for (const char* code : {"de", "en", "fr", "ja", "zh", "EN", "ger", "deu", "fre", "fra", "eng", "tlh", "und"})
        EXPECT_TRUE(isLanguageCode(code)) << code;
    // Of the right shape but no code; other shapes.
    for (const char* text : {"xx", "qq", "zz", "abc", "qaa", "", "e", "en ", "e1", "engl", "français", "de:00"})
        EXPECT_FALSE(isLanguageCode(text)) << text;
    EXPECT_EQ(bibliographicCode("en"), "eng");
    EXPECT_EQ(bibliographicCode("de"), "ger");
    EXPECT_EQ(bibliographicCode("deu"), "ger");
    EXPECT_EQ(bibliographicCode("fr"), "fre");
    EXPECT_EQ(bibliographicCode("FRA"), "fre");
    EXPECT_EQ(bibliographicCode("ja"), "jpn");
    EXPECT_EQ(bibliographicCode("ger"), "ger");
    for (const char* text : {"", "xx", "Deutsch", "de:00"}) EXPECT_EQ(bibliographicCode(text), "und") << text;
}

TEST(PlaylistTimes, TimeBaseAndTitleTimes) {
    EXPECT_EQ(parseTimeBase("60fps"), 60);
    EXPECT_EQ(parseTimeBase("50fps"), 50);
    EXPECT_EQ(parseTimeBase("24fps"), 24);
    for (const char* text : {"", "fps", "60", "60 fps", "60FPS", "-5fps", "0fps", "1000fps", "6x0fps", "60fpss"})
        EXPECT_EQ(parseTimeBase(text), std::nullopt) << text;

    auto time = [](const char* text, int fps) -> std::pair<std::int64_t, std::int64_t> {
        auto t = parseTitleTime(text, fps);
        return t ? std::pair{t->ms, t->ns} : std::pair<std::int64_t, std::int64_t>{-1, -1};
    };
    EXPECT_EQ(time("00:00:00:00", 60), (std::pair<std::int64_t, std::int64_t>{0, 0}));
    EXPECT_EQ(time("01:02:03:30", 60), (std::pair<std::int64_t, std::int64_t>{3723500, 3723500000000}));
    // A frame at 60fps is no whole millisecond: the nearest of each.
    EXPECT_EQ(time("00:00:00:01", 60), (std::pair<std::int64_t, std::int64_t>{17, 16666667}));
    EXPECT_EQ(time("00:00:00:59", 60), (std::pair<std::int64_t, std::int64_t>{983, 983333333}));
    EXPECT_EQ(time("00:00:00:49", 50), (std::pair<std::int64_t, std::int64_t>{980, 980000000}));
    EXPECT_EQ(time("123:00:00:00", 50), (std::pair<std::int64_t, std::int64_t>{442800000, 442800000000000}));
    for (const char* text : {"", "00:00:00", "00:00:00:00:00", "0:00:00:00x", "00:60:00:00", "00:00:60:00",
                             "00:00:00:60", "00:0:00:00", "00:00:00:", "-1:00:00:00", "00:00:00:+1", "12345:00:00:00",
                             "00.00.00.00", "00:00:00:1234"})
        EXPECT_EQ(time(text, 60), (std::pair<std::int64_t, std::int64_t>{-1, -1})) << text;
    EXPECT_EQ(time("00:00:00:50", 50).first, -1);
    EXPECT_EQ(time("00:00:00:00", 0).first, -1);
}

TEST(XmlText, ReferencesBecomeTheirText) {
    EXPECT_EQ(xmlUnescaped("Fluss &amp; Meer"), "Fluss & Meer");
    EXPECT_EQ(xmlUnescaped("&lt;&gt;&quot;&apos;"), "<>\"'");
    EXPECT_EQ(xmlUnescaped("Br&#252;cke &#xE9;&#x1F3AC;"), "Br\xC3\xBC"
                                                            "cke \xC3\xA9\xF0\x9F\x8E\xAC");
    // Written as they are: unknown, malformed, or naming no character.
    for (const char* text : {"&", "a & b", "&amp", "&nbsp;", "&#;", "&#x;", "&#0;", "&#xD800;", "&#x110000;",
                             "&#12a;", "&;"})
        EXPECT_EQ(xmlUnescaped(text), text) << text;
}

// The 50fps fixture: a feature in two files whose title's
// TrackNavigationList gives languages, names and a forced subtitle.
TEST(PlaylistFacts, TrackNavigationListGivesLanguagesNamesAndForcedFlags) {
    for (const char* source : {"FEATURE_1.EVO", "FEATURE_2.EVO"}) {
        PlaylistBench bench;
        Lines log = bench.readXpl(fixturePlaylist("NAV_50FPS.XPL"), source);
        // The log, the tree and the boxes are what they were: no notes.
        EXPECT_EQ(after(log, 2),
                  (Lines{"VC-1.stream.0 found!", "DD+.6ch.stream.00.de found!", "DD+.6ch.stream.01.en found!",
                         "DD+.2ch.stream.02.de found!", "DD+.2ch.stream.04.ja found!", "2bitRLE.stream.00.de found!",
                         "2bitRLE.stream.01.de found!", "2bitRLE.stream.03.en found!", "Done."}))
            << source;
        EXPECT_EQ(bench.ui.caption(subBox(3)), "2bitRLE.stream.03.en");
        const PlaylistFacts& facts = bench.session.playlist;
        EXPECT_TRUE(facts.titleFound);
        EXPECT_EQ(facts.sourceBase, std::string(source).substr(0, 9));
        EXPECT_EQ(facts.titleName, "Fluss & Meer");
        EXPECT_EQ(facts.durationMs, 5400500);  // 01:30:00 and 25 of 50 frames
        EXPECT_EQ(facts.defaultLanguage, "de");
        EXPECT_EQ(facts.timeBaseFps, 50);
        EXPECT_EQ(listed(facts.audio), (std::map<int, Track>{{0, {"de", "Deutsch 5.1"}},
                                                            {1, {"en", "English"}},
                                                            {2, {"de", "Kommentar des Regisseurs"}},
                                                            // no entry for its track: its description
                                                            {4, {"ja", ""}}}));
        EXPECT_EQ(listed(facts.sub), (std::map<int, Track>{{0, {"de", "Deutsch", false}},
                                                          {1, {"de", "Deutsch (nur Fremdsprache)", true}},
                                                          // stream 4 plays track 3, whose entry has no name
                                                          {3, {"en", "", false}}}));
        EXPECT_EQ(chapters(facts), (std::vector<Chapter>{{0, 0, "Anfang"},
                                                         {330500, 330500000000, "Chapter 02"},
                                                         {2700200, 2700200000000, "Die Br\xC3\xBC"
                                                                                  "cke <Teil 2>"},
                                                         {4212980, 4212980000000, "Chapter 04"}}));
    }
}

TEST(PlaylistFacts, SixtyFramesWhenTheTitleSetGivesNoTimeBase) {
    PlaylistBench bench;
    Lines log = bench.readXpl(fixturePlaylist("NAV_60FPS.XPL"));
    EXPECT_EQ(after(log, 2), (Lines{"VC-1.stream.0 found!", "DD+.6ch.stream.00.fr found!",
                                    "DD.2ch.stream.01.Commentaire found!", "2bitRLE.stream.00.fra found!", "Done."}));
    const PlaylistFacts& facts = bench.session.playlist;
    EXPECT_EQ(facts.timeBaseFps, 60);
    EXPECT_EQ(facts.titleName, "Le Voyage");
    EXPECT_EQ(facts.durationMs, 2530500);
    EXPECT_EQ(facts.defaultLanguage, "fr");
    // A description that is no code names the track and gives no language;
    // a three-letter one is a language.
    EXPECT_EQ(listed(facts.audio),
              (std::map<int, Track>{{0, {"fr", "Fran\xC3\xA7"
                                               "ais"}},
                                    {1, {"und", "Commentaire"}}}));
    EXPECT_EQ(listed(facts.sub), (std::map<int, Track>{{0, {"fr", "", true}}}));
    EXPECT_EQ(chapters(facts), (std::vector<Chapter>{{0, 0, "Chapter 01"},
                                                     {600250, 600250000000, "D\xC3\xA9part"},
                                                     {1230983, 1230983333333, "Chapter 03"}}));
}

// The sample disc's playlist has no TrackNavigationList: the languages come
// from the descriptions.
TEST(PlaylistFacts, SampleDiscLanguagesFromDescriptions) {
    PlaylistBench bench;
    bench.readXpl(fixturePlaylist("VPLST000.XPL"));
    const PlaylistFacts& facts = bench.session.playlist;
    EXPECT_EQ(facts.titleName, "Die Z\xC3\xB6pfe");
    EXPECT_EQ(facts.durationMs, 6137500);
    EXPECT_EQ(listed(facts.audio), (std::map<int, Track>{{0, {"en", ""}}, {1, {"de", ""}}, {2, {"en", ""}}}));
    EXPECT_EQ(listed(facts.sub), (std::map<int, Track>{{0, {"en", ""}},
                                                      {1, {"und", "fran\xC3\xA7"
                                                                  "ais"}}}));
    EXPECT_EQ(chapters(facts), (std::vector<Chapter>{{0, 0, "Anfang"},
                                                     {760167, 760166666667, "\xC3\x9C"
                                                                            "ber und unter"},
                                                     {3068750, 3068750000000, "Zweite Datei"}}));
    // The tree keeps its own rule: an unnamed chapter shows the name before.
    PlaylistBench unnamed;
    unnamed.readXpl(titlePlaylist("", "",
                                  "<ChapterList>\n<Chapter titleTimeBegin=\"00:00:00:00\" displayName=\"One\"/>\n"
                                  "<Chapter titleTimeBegin=\"00:10:00:00\"/>\n</ChapterList>\n"));
    EXPECT_EQ(unnamed.ui.tree.back().text, "00:10:00:00: One");
    EXPECT_EQ(unnamed.session.playlist.chapters.at(1).name, "Chapter 02");
}

TEST(PlaylistFacts, WhatIsLeftOutIsSaidOnce) {
    PlaylistBench bench;
    const std::string clip =
        "<Audio track=\"1\" streamNumber=\"1\" mediaAttr=\"1\" description=\"de\"/>\n"
        "<Audio track=\"2\" streamNumber=\"2\" mediaAttr=\"1\" description=\"Klingonisch\"/>\n"
        "<Subtitle track=\"1\" streamNumber=\"1\" mediaAttr=\"1\"/>\n";
    const std::string rest =
        "<ChapterList>\n<Chapter titleTimeBegin=\"00:00:01:30\" displayName=\"A\"/>\n"
        "<Chapter titleTimeBegin=\"00:00:02:60\"/>\n"          // a frame beyond 60fps
        "<Chapter titleTimeBegin=\"0:0:3:0\"/>\n"              // minutes of one digit
        "<Chapter displayName=\"no time\"/>\n"
        "<Chapter titleTimeBegin=\"00:00:04:00\"/>\n</ChapterList>\n"
        "<TrackNavigationList>\n"
        "<AudioTrack langcode=\"xx:00\" track=\"1\" description=\"Deutsch\"/>\n"
        "<AudioTrack track=\"2\" langcode=\"tlh:00\"/>\n"
        "<AudioTrack track=\"2\" langcode=\"de:00\" description=\"second entry\"/>\n"
        "<SubtitleTrack track=\"1\" langcode=\"\" forced=\"yes\"/>\n</TrackNavigationList>\n";
    Lines log = bench.readXpl(titlePlaylist(" timeBase=\"24p\" defaultLanguage=\"Deutsch\"", clip, rest));
    EXPECT_EQ(after(log, 2), (Lines{"DD+.6ch.stream.00.de found!", "DD+.6ch.stream.01.Klingonisch found!",
                                    "2bitRLE.stream.00. found!",
                                    "Default language \"Deutsch\" is not a language code: chapters get und",
                                    "Time base \"24p\" is not NNfps: chapters read at 60fps",
                                    "Language of AudioTrack 1 left out: \"xx:00\" is not a language code",
                                    "Chapter 2 left out: time \"00:00:02:60\" does not parse",
                                    "Chapter 3 left out: time \"0:0:3:0\" does not parse",
                                    "Chapter 4 left out: time \"\" does not parse", "Done."}));
    const PlaylistFacts& facts = bench.session.playlist;
    EXPECT_EQ(facts.timeBaseFps, 60);
    EXPECT_EQ(facts.defaultLanguage, "Deutsch");
    // The bad langcode leaves the description's language; the first entry
    // of a track counts; "yes" does not force.
    EXPECT_EQ(listed(facts.audio), (std::map<int, Track>{{0, {"de", "Deutsch"}}, {1, {"tlh", "Klingonisch"}}}));
    EXPECT_EQ(listed(facts.sub), (std::map<int, Track>{{0, {"und", ""}}}));
    EXPECT_EQ(chapters(facts), (std::vector<Chapter>{{1500, 1500000000, "A"}, {4000, 4000000000, "Chapter 02"}}));
}

TEST(PlaylistFacts, NoChaptersNoTitleAndTheNextRun) {
    PlaylistBench bench;
    Lines log = bench.readXpl(titlePlaylist(" timeBase=\"50fps\"", "<Audio streamNumber=\"1\" mediaAttr=\"1\"/>\n", ""));
    EXPECT_EQ(after(log, 2), (Lines{"DD+.6ch.stream.00. found!", "Done."}));
    EXPECT_TRUE(bench.session.playlist.titleFound);
    EXPECT_TRUE(bench.session.playlist.chapters.empty());
    EXPECT_EQ(bench.session.playlist.titleName, "Feature");
    EXPECT_EQ(bench.session.playlist.durationMs, 3600000);

    // A playlist without this source's title, after one with it: nothing
    // is kept of the first.
    bench.readXpl(fixturePlaylist("NAV_50FPS.XPL"));
    ASSERT_EQ(bench.session.playlist.chapters.size(), 4u);
    log = bench.readXpl(fixturePlaylist("NAV_50FPS.XPL"), "FEATURE_3.EVO");
    EXPECT_EQ(log.size(), 3u);
    const PlaylistFacts& facts = bench.session.playlist;
    EXPECT_FALSE(facts.titleFound);
    EXPECT_TRUE(facts.chapters.empty());
    EXPECT_EQ(facts.titleName, "");
    for (const TrackFacts& t : facts.audio) EXPECT_FALSE(t.listed);

    // A playlist that fails half way leaves nothing either.
    bench.readXpl(fixturePlaylist("NAV_50FPS.XPL"));
    std::string broken = fixturePlaylist("NAV_50FPS.XPL");
    broken.replace(broken.find("index=\"2\""), 9, "index=\"x\"");
    EXPECT_THROW(bench.readXpl(broken), std::runtime_error);
    EXPECT_FALSE(bench.session.playlist.titleFound);
    EXPECT_TRUE(bench.session.playlist.chapters.empty());
}

TEST(PlaylistFacts, RandomTitlesNeverGiveAWrongFact) {
    // Runs of playlist words inside a title that plays the source: whatever
    // comes of them, a language is a code or "und", a chapter has a name
    // and a time, and the facts are the same when read twice.
    std::mt19937 random(14);
    const std::string words[] = {"<", ">", "/", "\"", "=", " ", "\n", ":", "0", "5", "9", "00:", "59", "60", "fps",
                                 "<TitleSet ", "timeBase=\"", "defaultLanguage=\"", "<Title ", "</Title>",
                                 "<Audio ", "<Subtitle ", "<AudioTrack ", "<SubtitleTrack ", "<Chapter ",
                                 "track=\"", "streamNumber=\"", "langcode=\"", "description=\"", "forced=\"true",
                                 "titleTimeBegin=\"", "displayName=\"", "de", "xx", "eng", "&amp;", "&#", "\xC3",
                                 "FEATURE_1.MAP\"", "1", "2", "33", "-1"};
    for (int round = 0; round < 80; ++round) {
        std::string text = "<TitleSet timeBase=\"50fps\">\n<Title displayName=\"T\">\n<Clip src=\"FEATURE_1.MAP\"/>\n";
        for (int w = 0; w < 300; ++w) text += words[random() % std::size(words)];
        PlaylistBench bench;
        bench.readXpl(text);
        const PlaylistFacts first = bench.session.playlist;
        ASSERT_TRUE(first.titleFound) << text;
        auto check = [&](const TrackFacts& t) {
            EXPECT_TRUE(t.language == "und" || isLanguageCode(t.language)) << t.language << "\n" << text;
            if (!t.listed) {
                EXPECT_TRUE(t.name.empty() && !t.forced);
            }
        };
        for (const TrackFacts& t : first.audio) check(t);
        for (const TrackFacts& t : first.sub) check(t);
        EXPECT_GT(first.timeBaseFps, 0);
        for (const ChapterFacts& c : first.chapters) {
            EXPECT_FALSE(c.name.empty());
            EXPECT_GE(c.startMs, 0);
            EXPECT_EQ(c.startMs, (c.startNs + 500000) / 1000000) << text;
        }
        bench.readXpl(text);
        EXPECT_EQ(bench.session.playlist.chapters.size(), first.chapters.size());
        EXPECT_EQ(bench.session.playlist.titleName, first.titleName);
    }
}
