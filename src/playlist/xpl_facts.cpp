#include "playlist/xpl_facts.h"

#include <map>
#include <span>

#include "playlist/language_codes.h"
#include "playlist/playlist_notes.h"
#include "playlist/xml_text.h"
#include "playlist/xpl_attributes.h"
#include "playlist/xpl_time.h"

namespace strandex {

namespace {

// An entry of the title's TrackNavigationList: what the disc's menus show
// for a track.
struct NavigationEntry {
    std::string language;  // a checked code; empty when none
    std::string description;
    bool forced = false;
};
using NavigationEntries = std::map<std::int32_t, NavigationEntry>;  // by track number

std::string lookup(const std::string& line, std::string_view name) {
    std::string value;
    XPLattr(line, name, value);
    return value;
}

// A name or description: the text its references stand for.
std::string lookupText(const std::string& line, std::string_view name) { return xmlUnescaped(lookup(line, name)); }

// The track number of a navigation entry or a stream tag. With the blank
// before it the name is not found inside "AudioTrack" or "SubtitleTrack",
// whose own "Track" would otherwise be the first match.
std::int32_t trackNumber(const std::string& line) { return XPLattrInt(line, " track"); }

bool isTrue(const std::string& value) { return value == "true" || value == "1"; }

// `tag` is "AudioTrack" or "SubtitleTrack"; the first entry of a track counts.
NavigationEntries readNavigation(FrontEnd& ui, std::span<const std::string> lines, const std::string& tag) {
    NavigationEntries entries;
    std::string opening = "<";
    opening += upperCase(tag) + " ";
    for (const std::string& line : lines) {
        if (!contains(upperCase(line), opening)) continue;
        const std::int32_t track = trackNumber(line);
        if (entries.count(track)) continue;
        NavigationEntry& entry = entries[track];
        const std::string langcode = lookup(line, "langcode");
        const std::string language = langcode.substr(0, langcode.find(':'));
        if (isLanguageCode(language))
            entry.language = lowerCaseCode(language);
        else if (!langcode.empty())
            ui.log(badLangcodeNote(tag + " " + std::to_string(track), langcode));
        entry.description = lookupText(line, "description");
        entry.forced = isTrue(lookup(line, "forced"));
    }
    return entries;
}

// An Audio or Subtitle tag of a clip: the first tag of a slot counts, as
// for the boxes.
void readStream(std::span<TrackFacts> slots, const NavigationEntries& navigation, const std::string& line) {
    const std::int64_t slot = static_cast<std::int64_t>(XPLattrInt(line, "streamNumber")) - 1;
    if (slot < 0 || slot >= static_cast<std::int64_t>(slots.size())) return;
    TrackFacts& track = slots[static_cast<std::size_t>(slot)];
    if (track.listed) return;
    track.listed = true;
    const std::string description = lookupText(line, "description");
    const bool bareCode = isLanguageCode(description);
    auto entry = navigation.find(trackNumber(line));
    const NavigationEntry* listed = entry == navigation.end() ? nullptr : &entry->second;
    if (listed && !listed->language.empty())
        track.language = listed->language;
    else if (bareCode)
        track.language = lowerCaseCode(description);
    if (listed && !listed->description.empty())
        track.name = listed->description;
    else if (!bareCode)
        track.name = description;
    track.forced = listed && listed->forced;
}

void readChapter(FrontEnd& ui, PlaylistFacts& facts, int number, const std::string& line) {
    const std::string begin = lookup(line, "titleTimeBegin");
    std::optional<TitleTime> start = parseTitleTime(begin, facts.timeBaseFps);
    if (!start) {
        ui.log(badChapterTimeNote(number, begin));
        return;
    }
    std::string name = lookupText(line, "displayName");
    if (name.empty()) {
        const std::size_t kept = facts.chapters.size() + 1;
        name = std::string("Chapter ") + (kept < 10 ? "0" : "") + std::to_string(kept);
    }
    facts.chapters.push_back({start->ms, start->ns, name});
}

void readTitleSet(FrontEnd& ui, const TitleSetTag& titleSet, PlaylistFacts& facts) {
    facts.defaultLanguage = titleSet.defaultLanguage;
    if (!titleSet.defaultLanguage.empty() && !isLanguageCode(titleSet.defaultLanguage))
        ui.log(badDefaultLanguageNote(titleSet.defaultLanguage));
    if (titleSet.timeBase.empty()) return;
    std::optional<int> fps = parseTimeBase(titleSet.timeBase);
    if (fps)
        facts.timeBaseFps = *fps;
    else
        ui.log(badTimeBaseNote(titleSet.timeBase));
}

}  // namespace

void readTitleFacts(Session& session, const TitleSetTag& titleSet, const std::string& playlistTitle) {
    FrontEnd& ui = session.ui;
    PlaylistFacts& facts = session.playlist;
    facts = PlaylistFacts{};
    facts.titleFound = true;
    facts.sourceBase = session.paths.EVObase;
    facts.titleName = playlistTitle;
    readTitleSet(ui, titleSet, facts);
    std::vector<std::string> lines;
    for (int k = 0; k < ui.xplCount(); ++k) lines.push_back(ui.xplLine(k));
    const NavigationEntries audio = readNavigation(ui, lines, "AudioTrack");
    const NavigationEntries subtitles = readNavigation(ui, lines, "SubtitleTrack");
    bool titleRead = false;
    int chapterTags = 0;
    for (const std::string& line : lines) {
        const std::string upper = upperCase(line);
        if (!titleRead && contains(upper, "<TITLE ")) {
            titleRead = true;
            const std::string name = lookupText(line, "displayName");
            if (!name.empty()) facts.titleName = name;
            std::optional<TitleTime> duration = parseTitleTime(lookup(line, "titleDuration"), facts.timeBaseFps);
            if (duration) facts.durationMs = duration->ms;
        }
        if (contains(upper, "<AUDIO ")) readStream(facts.audio, audio, line);
        if (contains(upper, "<SUBTITLE ")) readStream(facts.sub, subtitles, line);
        if (contains(upper, "<CHAPTER ")) readChapter(ui, facts, ++chapterTags, line);
    }
}

}  // namespace strandex
