// "Read XPL": the byte scanner that cuts a playlist into indented tag lines,
// the attribute lookups, the codec tables, the title search and cut, the
// tree, the boxes it offers, its failures, and Demux and Rebuild on the
// captions it leaves.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <map>
#include <random>

#include "cli/memory_front_end.h"
#include "commands/demux_command.h"
#include "commands/rebuild_command.h"
#include "commands/source_selection.h"
#include "engine/file_io.h"
#include "playlist/read_xpl_command.h"
#include "playlist/xpl_attributes.h"
#include "playlist/xpl_scanner.h"
#include "playlist/xpl_title.h"
#include "support/engine_checks.h"
#include "support/pack_builder.h"

using namespace strandex;
using namespace strandex::test;

namespace {

using Lines = std::vector<std::string>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// The scanner over the text in pieces of the given sizes (the whole text at
// once when none are given; the last size repeats).
Lines scanLines(const std::string& text, std::vector<std::size_t> pieces = {}) {
    Lines lines;
    XplScanner scanner([&](const std::string& line) { lines.push_back(line); });
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    std::size_t at = 0;
    for (std::size_t k = 0; at < text.size(); ++k) {
        std::size_t n = pieces.empty() ? text.size() : pieces[std::min(k, pieces.size() - 1)];
        n = std::min(n, text.size() - at);
        scanner.scan(bytes + at, n);
        at += n;
    }
    return lines;
}

std::string lookup(const std::string& line, const std::string& name, std::string destination = "") {
    XPLattr(line, name, destination);
    return destination;
}

// The in-memory front end, remembering the hints it is given.
class XplFrontEnd : public MemoryFrontEnd {
public:
    void setHint(Box b, const std::string& s) override {
        hints[b] = s;
        MemoryFrontEnd::setHint(b, s);
    }
    std::map<Box, std::string> hints;
};

// A session whose playlist is written to a temporary folder; the source
// (which need not exist) only gives its base name.
struct XplReader {
    XplFrontEnd ui;
    Session session{ui};
    TempDir dir;
    DialogPresets dialogs;

    void choose(const std::string& playlist, const std::string& sourceName = "FEATURE_1.EVO") {
        ui.setText(Edit::eEVOfile, sourceName.empty() ? "" : dir.file(sourceName));
        EVOadj(session, dialogs);
        ui.setText(Edit::eXPLfile, dir.write("VPLST000.XPL", bytesOf(playlist)));
        XPLadj(session, dialogs);
    }
    // Returns the log lines of the run.
    Lines read(const std::string& playlist, const std::string& sourceName = "FEATURE_1.EVO") {
        choose(playlist, sourceName);
        std::size_t before = ui.logLines.size();
        bReadXPLClick(session);
        return Lines(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end());
    }
    // The tree, one item a line, two blanks per level.
    Lines tree() const {
        Lines lines;
        for (std::size_t k = 0; k < ui.tree.size(); ++k) {
            const TreeItem& item = ui.tree[k];
            if (item.parent != -1) continue;
            lines.push_back(item.text);
            for (const auto& child : ui.tree)
                if (child.parent == static_cast<int>(k)) lines.push_back("  " + child.text);
        }
        return lines;
    }
};

// A title around the tracks, after an attribute list, as a disc has them.
std::string playlistWith(const std::string& attributes, const std::string& tracks,
                         const std::string& clip = "FEATURE_1.MAP") {
    return "<?xml version=\"1.0\"?>\n<Playlist displayName=\"Disc\">\n<MediaAttributeList>\n" + attributes +
           "</MediaAttributeList>\n<TitleSet>\n<Title titleNumber=\"1\" displayName=\"Feature\" "
           "titleDuration=\"01:00:00:00\">\n<PrimaryAudioVideoClip src=\"file:///dvddisc/HVDVD_TS/" +
           clip + "\">\n" + tracks + "</PrimaryAudioVideoClip>\n</Title>\n</TitleSet>\n</Playlist>\n";
}

const std::string kAudioItems =
    "<AudioAttributeItem index=\"1\" codec=\"DD\" channels=\"2\"/>\n"
    "<AudioAttributeItem index=\"2\" codec=\"DD+\" channels=\"6\"/>\n";

}  // namespace

TEST(XplScanner, OneIndentedLinePerTag) {
    EXPECT_EQ(scanLines("<a><b x=\"1\"/></a>"), (Lines{"<a>", "  <b x=\"1\"/>", "</a>"}));
    // A declaration and a comment keep the depth; a document type
    // declaration ends in a plain ">" and deepens what follows.
    EXPECT_EQ(scanLines("<?xml version=\"1.0\"?><!-- note --><a></a>"),
              (Lines{"<?xml version=\"1.0\"?>", "<!-- note -->", "<a>", "</a>"}));
    EXPECT_EQ(scanLines("<!DOCTYPE x><a/><b></b>"), (Lines{"<!DOCTYPE x>", "  <a/>", "  <b>", "  </b>"}));
    // Deeper levels, and a closing tag back at its opening tag's level.
    EXPECT_EQ(scanLines("<a>\n <b>\n  <c/>\n </b>\n</a>"), (Lines{"<a>", "  <b>", "    <c/>", "  </b>", "</a>"}));
    // Above the outermost level there is no indentation, and a closing tag
    // at depth 0 loses its first two bytes with nothing to take them from.
    EXPECT_EQ(scanLines("</x><a/>"), (Lines{"x>", "<a/>"}));
}

TEST(XplScanner, TagsOverSeveralLinesAndTextBetweenTags) {
    // Each run of control bytes inside a tag becomes one blank, also after a
    // blank; blanks of the file itself stay.
    EXPECT_EQ(scanLines("<a\r\n\tx=\"1\"\r\n\r\n\ty=\"2\" \n\tz=\"3\"/>"), (Lines{"<a x=\"1\" y=\"2\" z=\"3\"/>"}));
    EXPECT_EQ(scanLines("<a  x>"), (Lines{"<a  x>"}));
    // Element content is never collected; a ">" in it ends an empty line
    // that holds only the indentation.
    EXPECT_EQ(scanLines("<a>some text</a>"), (Lines{"<a>", "</a>"}));
    EXPECT_EQ(scanLines("<a>x > y</a>"), (Lines{"<a>", "  ", "</a>"}));
    // Bytes above 0x7F are kept as they are.
    EXPECT_EQ(scanLines("<t d=\"fran\xC3\xA7"
                        "ais\"/>"),
              (Lines{"<t d=\"fran\xC3\xA7"
                     "ais\"/>"}));
}

TEST(XplScanner, PiecesGiveTheSameLinesAsTheWholeText) {
    std::mt19937 random(20240601);
    const std::string alphabet[] = {"<", ">",    "/",  "?",   "-",    "--",   "!",     "a",          "\"",      "=",
                                    " ", "\r\n", "\t", "<a>", "</a>", "<b/>", "<?x?>", "<!-- c -->", "\xC3\xA9"};
    for (int round = 0; round < 200; ++round) {
        std::string text;
        for (int k = 0; k < 80; ++k) text += alphabet[random() % std::size(alphabet)];
        std::vector<std::size_t> pieces;
        for (int k = 0; k < 20; ++k) pieces.push_back(1 + random() % 7);
        Lines whole = scanLines(text);
        EXPECT_EQ(scanLines(text, pieces), whole) << text;
        EXPECT_EQ(scanLines(text, {1}), whole) << text;
        for (const auto& line : whole)
            for (char c : line) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << text;
    }
}

TEST(XplReader, TagsSpanningTheBlockBoundary) {
    // The tail's first byte sits 0 to 16 bytes before the end of the first
    // 262144-byte block, so every byte of it (the "<" and "/" of a closing
    // tag, the "--" and ">" of a comment, a line break in a tag) lands on
    // the boundary once.
    const std::string tail = "<!-- c --><a\r\n\tx=\"1\"/></root>";
    for (std::size_t back = 0; back <= tail.size(); ++back) {
        XplReader r;
        std::string text = "<root>" + std::string(262144 - 6 - back, 'x') + tail;
        r.read(text);
        EXPECT_EQ(r.ui.xplMemo, (Lines{"<root>", "  <!-- c -->", "  <a x=\"1\"/>", "</root>"})) << back;
    }
}

TEST(XplAttr, LookupRules) {
    // Any case of the name; the value as it was written.
    EXPECT_EQ(lookup("<a CODEC=\"Dd+\"/>", "codec"), "Dd+");
    EXPECT_EQ(lookup("<Audio streamNumber=\"3\"/>", "STREAMNUMBER"), "3");
    // The first match counts, also inside a value.
    EXPECT_EQ(lookup("<a x=\"codec=1\" codec=\"VC-1\"/>", "codec"), " codec=");
    EXPECT_EQ(lookup("<a mediaAttrX=\"5\" mediaAttr=\"2\"/>", "mediaAttr"), "5");
    // No match: the destination keeps its value; a match without a pair of
    // quotes empties it.
    EXPECT_EQ(lookup("<a codec=\"DD\"/>", "channels", "6"), "6");
    EXPECT_EQ(lookup("<a codec=VC-1>", "codec", "old"), "");
    // No "=" after the name: nothing is dropped at that step, so the value
    // is the first quoted text; with no opening quote either, nothing is
    // dropped at that step too.
    EXPECT_EQ(lookup("<a codec \"VC-1\">", "codec"), "VC-1");
    EXPECT_EQ(lookup("<a codec>", "codec", "old"), "");
    // Only the 255 bytes after the name are looked at.
    EXPECT_EQ(lookup("<a d=\"" + std::string(252, 'x') + "\"/>", "d"), std::string(252, 'x'));
    EXPECT_EQ(lookup("<a d=\"" + std::string(253, 'x') + "\"/>", "d", "old"), "");
    // Bytes of UTF-8 text are copied as they are.
    EXPECT_EQ(lookup("<a description=\"fran\xC3\xA7"
                     "ais\"/>",
                     "description"),
              "fran\xC3\xA7"
              "ais");

    EXPECT_EQ(XPLattrInt("<a track=\"12\"/>", "track"), 12);
    EXPECT_EQ(XPLattrInt("<a track=\"-3\"/>", "track"), -3);
    for (const char* line : {"<a/>", "<a track=\"\"/>", "<a track=\"1x\"/>", "<a track=\" 1\"/>",
                             "<a track=\"99999999999\"/>", "<a track=\"0x10\"/>"})
        EXPECT_EQ(XPLattrInt(line, "track"), 0) << line;

    EXPECT_EQ(strictInteger("7"), 7);
    EXPECT_EQ(strictInteger("+7"), 7);
    EXPECT_EQ(strictInteger("-2147483648"), -2147483648LL);
    for (const char* text : {"", "x", "1.5", "+-1", "-", " 1", "2147483648"}) {
        try {
            strictInteger(text);
            ADD_FAILURE() << text;
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + std::string(text) + "' is not a valid integer value");
        }
    }
}

TEST(XplReader, AudioTrackBecomesATickedCaptionedBox) {
    XplReader r;
    Lines log = r.read(
        playlistWith(kAudioItems, "<Audio track=\"1\" streamNumber=\"3\" mediaAttr=\"2\" description=\"en\"/>\n"));
    EXPECT_EQ(log, (Lines{"Open VPLST000.XPL",
                          "Filesize: " + std::to_string(readFile(r.ui.text(Edit::eXPLfile)).size()) + " bytes",
                          "DD+.6ch.stream.02.en found!", "Done."}));
    EXPECT_TRUE(r.ui.boxEnabled(audioBox(2)));
    EXPECT_TRUE(r.ui.ticked(audioBox(2)));
    EXPECT_EQ(r.ui.caption(audioBox(2)), "DD+.6ch.stream.02.en");
    EXPECT_EQ(r.ui.hints[audioBox(2)], "DD+.6ch.stream.02.en");
    EXPECT_TRUE(r.ui.enabled(Button::bDemux));
    EXPECT_TRUE(r.ui.enabled(Button::bReadXPL));
    EXPECT_TRUE(r.ui.xplVisible);
    EXPECT_EQ(r.ui.page, Page::tsXPL);
    EXPECT_EQ(r.ui.panels, (std::array<std::string, 2>{" Ready", " "}));
    EXPECT_EQ(r.tree(), (Lines{"Info", "  Title: Disc", "  Name: Feature", "  Duration: 01:00:00:00", "Video", "Audio",
                               "  DD+.6ch.stream.02.en", "Subtitle", "Chapter"}));
    for (int n = 0; n < 16; ++n) EXPECT_EQ(r.ui.boxEnabled(audioBox(n)), n == 2) << n;
}

TEST(XplReader, LabelsOfVideoAudioSubtitleAndChapters) {
    XplReader r;
    std::string attributes = "<VideoAttributeItem index=\"1\" codec=\"VC-1\"/>\n" + kAudioItems +
                             "<AudioAttributeItem index=\"3\" codec=\"MLP\"/>\n"  // channels of item 2
                             "<SubpictureAttributeItem index=\"1\" codec=\"2bitRLE\"/>\n";
    std::string tracks =
        "<Video track=\"1\" mediaAttr=\"1\"/>\n<Video track=\"2\" mediaAttr=\"1\"/>\n"
        "<Audio track=\"1\" streamNumber=\"11\" mediaAttr=\"1\" description=\"de\"/>\n"
        "<Audio track=\"2\" streamNumber=\"10\" mediaAttr=\"3\"/>\n"  // the description of the tag before
        "<Audio track=\"3\" streamNumber=\"11\" mediaAttr=\"2\" description=\"fr\"/>\n"  // slot taken
        "<Subtitle track=\"1\" streamNumber=\"1\" mediaAttr=\"1\" description=\"\xC3\xA9n\"/>\n"
        "<Subtitle track=\"2\" streamNumber=\"20\" mediaAttr=\"1\" description=\"ko\"/>\n"
        "<ChapterList>\n<Chapter titleTimeBegin=\"00:00:00:00\" displayName=\"One\"/>\n"
        "<Chapter titleTimeBegin=\"00:10:00:00\"/>\n</ChapterList>\n";
    Lines log = r.read(playlistWith(attributes, tracks));
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"VC-1.stream.0 found!", "VC-1.stream.1 found!", "DD.2ch.stream.10.de found!",
                     "MLP.6ch.stream.09.de found!", "2bitRLE.stream.00.\xC3\xA9n found!", "2bitRLE.stream.19.ko found!",
                     "Done."}));
    EXPECT_EQ(r.tree(), (Lines{"Info", "  Title: Disc", "  Name: Feature", "  Duration: 01:00:00:00", "Video",
                               "  VC-1.stream.0", "  VC-1.stream.1", "Audio", "  DD.2ch.stream.10.de",
                               "  MLP.6ch.stream.09.de", "Subtitle", "  2bitRLE.stream.00.\xC3\xA9n",
                               "  2bitRLE.stream.19.ko", "Chapter", "  00:00:00:00: One", "  00:10:00:00: One"}));
    // Video track 1 only has a box, and without a hint; subtitle slot 19
    // has none.
    EXPECT_EQ(r.ui.caption(videoBox(0)), "VC-1.stream.0");
    EXPECT_TRUE(r.ui.ticked(videoBox(0)));
    EXPECT_FALSE(r.ui.boxEnabled(videoBox(1)));
    EXPECT_EQ(r.ui.hints.count(videoBox(0)), 0u);
    EXPECT_EQ(r.ui.caption(audioBox(10)), "DD.2ch.stream.10.de");
    EXPECT_EQ(r.ui.caption(audioBox(9)), "MLP.6ch.stream.09.de");
    EXPECT_EQ(r.ui.caption(subBox(0)), "2bitRLE.stream.00.\xC3\xA9n");
    EXPECT_EQ(r.ui.hints.size(), 3u);
    // The ids: -1 everywhere but the title's slots, which hold 1.
    std::array<std::int32_t, 16> video;
    video.fill(-1);
    video[0] = video[1] = 1;
    EXPECT_EQ(r.session.table.VideoIds, video);
    std::array<std::int32_t, 16> audio;
    audio.fill(-1);
    audio[9] = audio[10] = 1;
    EXPECT_EQ(r.session.table.AudioIds, audio);
    std::array<std::int32_t, 32> sub;
    sub.fill(-1);
    sub[0] = sub[19] = 1;
    EXPECT_EQ(r.session.table.SubpictureIds, sub);
}

// Audio and subtitle tags keep a description lookup each: a tag without
// the attribute takes that of the last tag of its own kind.
TEST(XplReader, AudioAndSubtitleTagsKeepTheirOwnDescriptions) {
    XplReader r;
    std::string attributes = kAudioItems + "<SubpictureAttributeItem index=\"1\" codec=\"2bitRLE\"/>\n";
    std::string tracks =
        "<Audio streamNumber=\"1\" mediaAttr=\"1\" description=\"de\"/>\n"
        "<Subtitle streamNumber=\"1\" mediaAttr=\"1\"/>\n"
        "<Subtitle streamNumber=\"2\" mediaAttr=\"1\" description=\"fr\"/>\n"
        "<Audio streamNumber=\"2\" mediaAttr=\"2\"/>\n";
    Lines log = r.read(playlistWith(attributes, tracks));
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"DD.2ch.stream.00.de found!", "2bitRLE.stream.00. found!", "2bitRLE.stream.01.fr found!",
                     "DD+.6ch.stream.01.de found!", "Done."}));
    EXPECT_EQ(r.ui.hints[subBox(0)], "2bitRLE.stream.00.");
    EXPECT_EQ(r.ui.hints[audioBox(1)], "DD+.6ch.stream.01.de");
}

TEST(XplReader, ChannelsOfTheFirstItemAndThePlaylistTitle) {
    XplReader r;
    // The first audio item without channels has no suffix; the closing
    // Playlist tag holds no displayName and leaves the title.
    r.read(playlistWith("<AudioAttributeItem index=\"1\" codec=\"DTS-HD\"/>\n",
                        "<Audio streamNumber=\"1\" mediaAttr=\"1\" description=\"en\"/>\n"));
    EXPECT_EQ(r.ui.caption(audioBox(0)), "DTS-HD.stream.00.en");
    EXPECT_EQ(r.tree().at(1), "  Title: Disc");
    // Without a displayName in the Playlist tag there is no Title item.
    std::string noName = playlistWith("", "");
    noName.replace(noName.find(" displayName=\"Disc\""), 19, "");
    r.read(noName);
    EXPECT_EQ(r.tree().at(1), "  Name: Feature");
}

TEST(XplReader, TitleFoundByTheFirstLineNamingTheSource) {
    auto title = [](const std::string& name, const std::string& clip, int stream) {
        return "<Title displayName=\"" + name + "\" titleDuration=\"1\">\n<Clip src=\"" + clip + "\"/>\n" +
               "<Audio streamNumber=\"" + std::to_string(stream) + "\" description=\"x\"/>\n</Title>\n";
    };
    std::string tenthFirst =
        "<TitleSet>\n" + title("Tenth", "FEATURE_10.MAP", 2) + title("First", "FEATURE_1.MAP", 1) + "</TitleSet>\n";
    XplReader r;
    // FEATURE_1 names FEATURE_1.MAP, not FEATURE_10.MAP, which comes first.
    r.read(tenthFirst);
    EXPECT_EQ(r.ui.xplMemo,
              (Lines{"  <Title displayName=\"First\" titleDuration=\"1\">", "    <Clip src=\"FEATURE_1.MAP\"/>",
                     "    <Audio streamNumber=\"1\" description=\"x\"/>", "  </Title>"}));
    EXPECT_EQ(r.tree().at(1), "  Name: First");
    EXPECT_TRUE(r.ui.boxEnabled(audioBox(0)));
    EXPECT_FALSE(r.ui.boxEnabled(audioBox(1)));
    r.read(tenthFirst, "FEATURE_10.EVO");
    EXPECT_EQ(r.tree().at(1), "  Name: Tenth");
    r.read("<TitleSet>\n" + title("First", "FEATURE_1.MAP", 1) + title("Tenth", "FEATURE_10.MAP", 2) + "</TitleSet>\n");
    EXPECT_EQ(r.tree().at(1), "  Name: First");
    // The source's name is searched case-sensitively.
    r.read(tenthFirst, "feature_1.EVO");
    EXPECT_EQ(r.ui.xplMemo.size(), 10u);
}

TEST(XplReader, TheSourceIsNamedOnlyAsAWholeFileName) {
    // The base name names a file where a "/", a double quote or the line's
    // start comes before it and a "." after it; every match in a line is
    // tried.
    XplFrontEnd ui;
    auto found = [&](const Lines& memo) {
        ui.xplMemo = memo;
        return findSourceLine(ui, "FEATURE_1");
    };
    EXPECT_EQ(found({"<a>", "  <Clip src=\"file:///dvddisc/HVDVD_TS/FEATURE_1.MAP\"/>"}), 1);
    EXPECT_EQ(found({"<a>", "  <Clip src=\"FEATURE_1.MAP\"/>"}), 1);
    EXPECT_EQ(found({"<a>", "FEATURE_1.MAP"}), 1);
    EXPECT_EQ(found({"<a>", "  <Clip src=\"HVDVD_TS/FEATURE_10.MAP\" next=\"HVDVD_TS/FEATURE_1.MAP\"/>"}), 1);
    const Lines others{"<Clip src=\"HVDVD_TS/FEATURE_10.MAP\"/>", "<Clip src=\"HVDVD_TS/XFEATURE_1.MAP\"/>",
                       "<Clip src=\"HVDVD_TS/FEATURE_1\"/>",      "<Clip src=\"HVDVD_TS\\FEATURE_1.MAP\"/>",
                       "<Title displayName=\"FEATURE_1\">",       "<Clip src=\"FEATURE_1_MAP\"/>",
                       "FEATURE_1"};
    for (const std::string& line : others)
        EXPECT_EQ(found({"<a>", line}), -1) << line;
    EXPECT_EQ(findSourceLine(ui, ""), -1);
}

// The fixture's first title plays FEATURE_10.MAP, its second FEATURE_1.MAP.
TEST(XplReader, TheTenthPartOfAFeatureBeforeTheFirst) {
    Bytes bytes = readFile(std::string(STRANDEX_FIXTURES) + "/xpl/TENTH_FIRST.XPL");
    std::string playlist(bytes.begin(), bytes.end());
    XplReader r;
    Lines log = r.read(playlist, "FEATURE_1.EVO");
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"VC-1.stream.0 found!", "DD+.6ch.stream.00.en found!", "Done."}));
    EXPECT_EQ(r.tree(), (Lines{"Info", "  Title: Ten Parts", "  Name: Part one", "  Duration: 00:20:00:00", "Video",
                               "  VC-1.stream.0", "Audio", "  DD+.6ch.stream.00.en", "Subtitle", "Chapter",
                               "  00:00:00:00: One"}));
    EXPECT_EQ(r.ui.xplMemo.front(),
              "    <Title id=\"Part1\" titleNumber=\"2\" displayName=\"Part one\" titleDuration=\"00:20:00:00\">");

    log = r.read(playlist, "FEATURE_10.EVO");
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"VC-1.stream.0 found!", "DD.2ch.stream.01.de found!", "Done."}));
    EXPECT_EQ(r.tree().at(2), "  Name: Part ten");
}

TEST(XplReader, NoTitleKeepsTheWholeMemoAndTheTree) {
    XplReader r;
    std::string playlist =
        playlistWith(kAudioItems, "<Audio streamNumber=\"1\" mediaAttr=\"1\" description=\"en\"/>\n");
    r.read(playlist);
    Lines tree = r.tree();
    EXPECT_TRUE(r.ui.ticked(audioBox(0)));
    Lines everyTag = scanLines(playlist);
    for (const std::string& source : {std::string(""), std::string("FEATURE_3.EVO")}) {
        r.session.table.AudioIds[4] = 0xC4;
        Lines log = r.read(playlist, source);
        EXPECT_EQ(log.back(), "Done.") << source;
        EXPECT_EQ(log.size(), 3u) << source;
        EXPECT_EQ(r.ui.xplMemo, everyTag) << source;
        EXPECT_EQ(r.tree(), tree) << source;
        EXPECT_TRUE(r.ui.xplVisible);
        for (int i = 0; i < kStreamBoxCount; ++i) EXPECT_FALSE(r.ui.boxEnabled(boxAt(i))) << source << i;
        EXPECT_EQ(r.ui.caption(audioBox(0)), "No audio stream");
        for (auto id : r.session.table.AudioIds) EXPECT_EQ(id, -1);
        for (auto id : r.session.table.SubpictureIds) EXPECT_EQ(id, -1);
    }
    // A source named in the very first line is not looked for further.
    r.read("<Clip src=\"FEATURE_1.MAP\"/>\n<Title displayName=\"A\">\n<Audio streamNumber=\"1\"/>\n</Title>\n");
    EXPECT_EQ(r.ui.xplMemo.size(), 4u);
    EXPECT_EQ(r.tree(), tree);
}

TEST(XplReader, MemoCutToTheTitle) {
    XplReader r;
    r.read(playlistWith("", "<Video track=\"1\" mediaAttr=\"1\"/>\n"));
    EXPECT_EQ(
        r.ui.xplMemo,
        (Lines{"    <Title titleNumber=\"1\" displayName=\"Feature\" titleDuration=\"01:00:00:00\">",
               "      <PrimaryAudioVideoClip src=\"file:///dvddisc/HVDVD_TS/FEATURE_1.MAP\">",
               "        <Video track=\"1\" mediaAttr=\"1\"/>", "      </PrimaryAudioVideoClip>", "    </Title>"}));
    // No "<TITLE " above the line: nothing is cut above it; "</TITLE" also
    // matches the end of a TitleSet.
    r.read("<Playlist>\n<TitleSet>\n<Clip src=\"FEATURE_1.MAP\"/>\n</TitleSet>\n<Other/>\n</Playlist>\n");
    EXPECT_EQ(r.ui.xplMemo,
              (Lines{"<Playlist>", "  <TitleSet>", "    <Clip src=\"FEATURE_1.MAP\"/>", "  </TitleSet>"}));
    EXPECT_EQ(r.tree(), (Lines{"Info", "Video", "Audio", "Subtitle", "Chapter"}));
}

TEST(XplReader, NumbersOutsideTheTablesAreLeftOut) {
    XplReader r;
    std::string attributes =
        "<AudioAttributeItem index=\"1\" codec=\"DD\" channels=\"2\"/>\n"
        // Stores nothing, but its channels and codec are what the next item,
        // which has neither, takes over.
        "<AudioAttributeItem index=\"9\" codec=\"MLP\" channels=\"8\"/>\n"
        "<AudioAttributeItem index=\"2\"/>\n"
        "<AudioAttributeItem index=\"0\" codec=\"X\"/>\n"
        "<AudioAttributeItem index=\"-1\" codec=\"Y\"/>\n"
        "<VideoAttributeItem index=\"2147483647\" codec=\"Z\"/>\n";
    std::string tracks =
        "<Video track=\"0\" mediaAttr=\"1\"/>\n<Video track=\"17\" mediaAttr=\"1\"/>\n"
        "<Video track=\"-2147483648\" mediaAttr=\"1\"/>\n"
        "<Audio streamNumber=\"0\" mediaAttr=\"1\" description=\"a\"/>\n"
        "<Audio streamNumber=\"17\" mediaAttr=\"1\" description=\"b\"/>\n"
        "<Audio streamNumber=\"1\" mediaAttr=\"2\" description=\"c\"/>\n"
        "<Audio streamNumber=\"2\" mediaAttr=\"9\" description=\"d\"/>\n"
        "<Audio streamNumber=\"3\" description=\"e\"/>\n"
        "<Subtitle streamNumber=\"32\" mediaAttr=\"1\" description=\"f\"/>\n"
        "<Subtitle streamNumber=\"33\" mediaAttr=\"1\" description=\"g\"/>\n";
    Lines log = r.read(playlistWith(attributes, tracks));
    EXPECT_EQ(Lines(log.begin() + 2, log.end()), (Lines{"MLP.8ch.stream.00.c found!", ".stream.01.d found!",
                                                        ".stream.02.e found!", ".stream.31.f found!", "Done."}));
    EXPECT_EQ(r.session.codecs.AudioCodecs[0], "DD.2ch");
    EXPECT_EQ(r.session.codecs.AudioCodecs[1], "MLP.8ch");
    for (std::size_t k = 2; k < 8; ++k) EXPECT_EQ(r.session.codecs.AudioCodecs[k], "") << k;
    for (const auto& codec : r.session.codecs.VideoCodecs) EXPECT_EQ(codec, "");
    EXPECT_EQ(r.tree(), (Lines{"Info", "  Title: Disc", "  Name: Feature", "  Duration: 01:00:00:00", "Video", "Audio",
                               "  MLP.8ch.stream.00.c", "  .stream.01.d", "  .stream.02.e", "Subtitle",
                               "  .stream.31.f", "Chapter"}));
    for (auto id : r.session.table.VideoIds) EXPECT_EQ(id, -1);
    for (int n = 0; n < 16; ++n) EXPECT_EQ(r.ui.boxEnabled(subBox(n)), false) << n;
}

TEST(XplReader, IndexThatIsNotAnIntegerEndsTheCommand) {
    for (const std::string& item : {std::string("<VideoAttributeItem codec=\"VC-1\"/>"),
                                    std::string("<SubpictureAttributeItem index=\"one\" codec=\"x\"/>"),
                                    std::string("<AudioAttributeItem index=\"\" codec=\"DD\"/>")}) {
        XplReader r;
        std::string playlist = playlistWith(item + "\n", "<Audio streamNumber=\"1\" mediaAttr=\"1\"/>\n");
        std::string text = item.find("one") != std::string::npos ? "'one' is not a valid integer value"
                                                                 : "'' is not a valid integer value";
        try {
            r.read(playlist);
            ADD_FAILURE() << item;
        } catch (const ConversionError& e) {
            EXPECT_EQ(std::string(e.what()), text);
        }
        EXPECT_EQ(r.ui.logLines.size(), 2u) << item;
        EXPECT_FALSE(r.ui.xplVisible);
        EXPECT_FALSE(r.ui.enabled(Button::bReadXPL));
        EXPECT_FALSE(r.ui.boxEnabled(audioBox(0)));
        EXPECT_EQ(r.ui.xplMemo.back(), "    " + item);
        EXPECT_EQ(r.tree(), (Lines{"Video", "Audio", "Subpicture", "Chapter"}));  // as it started
        // The next command can run.
        r.session.paths.EVObase.clear();
        r.ui.setText(Edit::eXPLfile, r.dir.write("VPLST000.XPL", bytesOf("<a/>")));
        bReadXPLClick(r.session);
        EXPECT_EQ(r.ui.logLines.back(), "Done.");
    }
    // A second item without an index takes the index of the item before.
    XplReader r;
    r.read(
        playlistWith("<VideoAttributeItem index=\"2\" codec=\"VC-1\"/>\n<VideoAttributeItem codec=\"H.264\"/>\n", ""));
    EXPECT_EQ(r.session.codecs.VideoCodecs[1], "H.264");
}

TEST(XplReader, MissingPlaylist) {
    XplReader r;
    r.ui.setText(Edit::eXPLfile, r.dir.file("VPLST000.XPL"));
    r.ui.setBoxEnabled(audioBox(3), true);
    r.ui.setTicked(audioBox(3), true);
    r.ui.setEnabled(Button::bReadXPL, true);
    try {
        bReadXPLClick(r.session);
        ADD_FAILURE();
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + r.dir.file("VPLST000.XPL") + "\". No such file or directory");
    }
    EXPECT_TRUE(r.ui.logLines.empty());
    EXPECT_FALSE(r.ui.enabled(Button::bReadXPL));
    EXPECT_FALSE(r.ui.boxEnabled(audioBox(3)));
    EXPECT_TRUE(r.ui.ticked(audioBox(3)));
    EXPECT_EQ(r.ui.caption(audioBox(3)), "No audio stream");
    EXPECT_FALSE(r.session.commandRunning);
}

TEST(XplReader, CodecTablesLastIntoLaterRuns) {
    XplReader r;
    r.read(playlistWith(kAudioItems, ""));
    r.read(playlistWith("<AudioAttributeItem index=\"1\" codec=\"LPCM\"/>\n",
                        "<Audio streamNumber=\"1\" mediaAttr=\"1\" description=\"en\"/>\n"
                        "<Audio streamNumber=\"2\" mediaAttr=\"2\" description=\"en\"/>\n"));
    // Item 1 is replaced (the channels lookup starts empty again); item 2
    // stays from the first run.
    EXPECT_EQ(r.ui.caption(audioBox(0)), "LPCM.stream.00.en");
    EXPECT_EQ(r.ui.caption(audioBox(1)), "DD+.6ch.stream.01.en");
}

TEST(XplReader, DemuxAndRebuildNameTheirOutputsByTheCaptions) {
    XplReader r;
    Bytes video = vc1Packet(0x55, {0x00, 0x00, 0x01, 0x0D, 0x3F});
    Bytes evo = pack({video, privateStream1(ac3Payload(0xC2, {0x0B, 0x77, 0x01}), 90000)}) +
                pack({privateStream1(ac3Payload(0xC5, {0x0B, 0x77, 0x02}), 90000)});
    r.dir.write("FEATURE_1.EVO", evo);
    std::string out = r.dir.file("out");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    r.ui.setText(Edit::eWorkdir, out);
    std::string playlist = playlistWith("<VideoAttributeItem index=\"1\" codec=\"VC-1\"/>\n" + kAudioItems,
                                        "<Video track=\"1\" mediaAttr=\"1\"/>\n"
                                        "<Audio streamNumber=\"3\" mediaAttr=\"2\" description=\"en\"/>\n"
                                        "<Audio streamNumber=\"6\" mediaAttr=\"1\" description=\"de/commentary\"/>\n");
    r.read(playlist);
    bDemuxClick(r.session);
    EXPECT_EQ(filesIn(out), (Lines{"FEATURE_1.DD+.6ch.stream.02.en.mpa", "FEATURE_1.DD.2ch.stream.05.de_commentary.mpa",
                                   "FEATURE_1.VC-1.stream.0.mpv"}));
    EXPECT_EQ(readFile(out + "/FEATURE_1.DD+.6ch.stream.02.en.mpa"), (Bytes{0x0B, 0x77, 0x01}));
    EXPECT_EQ(readFile(out + "/FEATURE_1.DD.2ch.stream.05.de_commentary.mpa"), (Bytes{0x0B, 0x77, 0x02}));
    // Demux left the ids it found; after Read XPL the tables hold only -1
    // and 1, so Rebuild keeps every pack even with a box unticked.
    r.read(playlist);
    r.ui.setTicked(audioBox(5), false);
    bRebuildClick(r.session);
    EXPECT_EQ(readFile(out + "/FEATURE_1.rebuilt.EVO").size(), evo.size());
}

TEST(XplReader, SampleDiscPlaylistEndToEnd) {
    XplReader r;
    Bytes playlist = readFile(std::string(STRANDEX_FIXTURES) + "/xpl/VPLST000.XPL");
    Lines log = r.read(std::string(playlist.begin(), playlist.end()), "FEATURE_2.EVO");
    EXPECT_EQ(Lines(log.begin() + 2, log.end()),
              (Lines{"VC-1.stream.0 found!", "DD+.6ch.stream.00.en found!", "DD+.6ch.stream.01.de found!",
                     "DD.2ch.stream.02.en found!", "2bitRLE.stream.00.en found!",
                     "2bitRLE.stream.01.fran\xC3\xA7"
                     "ais found!",
                     "Done."}));
    EXPECT_EQ(r.ui.xplMemo.front(),
              "    <Title id=\"Feature\" titleNumber=\"2\" displayName=\"Die Z\xC3\xB6pfe\" "
              "titleDuration=\"01:42:17:30\">");
    EXPECT_EQ(r.ui.xplMemo.back(), "    </Title>");
    EXPECT_EQ(r.ui.xplMemo.size(), 24u);
}

TEST(XplReader, RandomAndTruncatedPlaylists) {
    // Random bytes, random runs of playlist words, and every cut of the
    // sample playlist: never a crash, and the boxes agree with the id
    // tables.
    Bytes sample = readFile(std::string(STRANDEX_FIXTURES) + "/xpl/VPLST000.XPL");
    std::mt19937 random(7);
    const std::string words[] = {"<",
                                 ">",
                                 "/",
                                 "\"",
                                 "=",
                                 "--",
                                 "?",
                                 " ",
                                 "\n",
                                 "FEATURE_1",
                                 "<Title ",
                                 "</Title>",
                                 "<Audio ",
                                 "<Video ",
                                 "<Subtitle ",
                                 "<Chapter ",
                                 "streamNumber=\"",
                                 "track=\"",
                                 "mediaAttr=\"",
                                 "description=\"",
                                 "AudioAttributeItem index=\"",
                                 "VideoAttributeItem index=\"",
                                 "SubpictureAttributeItem index=\"",
                                 "codec=\"",
                                 "channels=\"",
                                 "Playlist displayName=\"",
                                 "1",
                                 "3",
                                 "9",
                                 "17",
                                 "33",
                                 "-1"};
    std::vector<std::string> inputs;
    for (int k = 0; k < 20; ++k) {
        Bytes noise = randomBytes(4096 + 997 * static_cast<std::size_t>(k), 100 + static_cast<std::uint32_t>(k));
        inputs.emplace_back(noise.begin(), noise.end());
        std::string text;
        for (int w = 0; w < 400; ++w) text += words[random() % std::size(words)];
        inputs.push_back(text);
    }
    for (std::size_t cut = 0; cut <= sample.size(); cut += 37)
        inputs.emplace_back(sample.begin(), sample.begin() + static_cast<long>(cut));
    XplReader r;
    for (const auto& input : inputs) {
        try {
            r.read(input);
        } catch (const ConversionError&) {
            continue;
        }
        const StreamTable& t = r.session.table;
        EXPECT_EQ(r.ui.boxEnabled(videoBox(0)), t.VideoIds[0] == 1);
        for (int n = 0; n < 16; ++n) {
            EXPECT_EQ(r.ui.boxEnabled(audioBox(n)), t.AudioIds[static_cast<std::size_t>(n)] == 1);
            EXPECT_EQ(r.ui.boxEnabled(subBox(n)), t.SubpictureIds[static_cast<std::size_t>(n)] == 1);
        }
        for (int i = 1; i < 8; ++i) EXPECT_FALSE(r.ui.boxEnabled(videoBox(i)));
    }
}
