#include "playlist/xpl_tracks.h"

#include <span>

#include "playlist/xpl_attributes.h"
#include "playlist/xpl_codecs.h"

namespace strandex {

namespace {

struct TopItems {
    int info, video, audio, subtitle, chapter;
};

// The slot a track or stream number names (number - 1), or -1 when it
// lies outside a table of `slots` entries.
int slotOf(std::int32_t number, int slots) {
    std::int64_t slot = static_cast<std::int64_t>(number) - 1;
    return slot >= 0 && slot < slots ? static_cast<int>(slot) : -1;
}

// Marks the slot as listed; false when it was listed already.
bool claim(std::span<std::int32_t> ids, int slot) {
    std::int32_t& id = ids[static_cast<std::size_t>(slot)];
    if (id != -1) return false;
    id = 1;
    return true;
}

void offer(FrontEnd& ui, Box box, const std::string& label, bool withHint) {
    ui.setBoxEnabled(box, true);
    ui.setTicked(box, true);
    ui.setCaption(box, label);
    if (withHint) ui.setHint(box, label);
}

// A track the title names: an item under its kind's top item, and its line.
void listTrack(FrontEnd& ui, int treeItem, const std::string& label) {
    ui.treeAddChild(treeItem, label);
    ui.log(label + " found!");
}

void readVideo(Session& session, const TopItems& top, const std::string& line) {
    int t = slotOf(XPLattrInt(line, "track"), 16);
    if (t < 0 || !claim(session.table.VideoIds, t)) return;
    std::int32_t m = XPLattrInt(line, "mediaAttr");
    std::string label = codecOf(session.codecs.VideoCodecs, m) + ".stream." + std::to_string(t);
    listTrack(session.ui, top.video, label);
    // Only track 1 has a box.
    if (t == 0) offer(session.ui, videoBox(0), label, false);
}

// Audio and subtitle tracks follow one rule: numbered by streamNumber,
// named by codec, slot and description, offered on their box with the
// label as its hint. What tells the two apart is held here.
struct NumberedTracks {
    std::span<std::int32_t> ids;               // the id table, one entry a slot
    const std::array<std::string, 8>& codecs;  // by mediaAttr
    std::string& description;                  // the title's lookup for this kind
    int treeItem;                              // the top item they are listed under
    int boxSlots;                              // the slots below this have a box
    Box (*box)(int slot);
};

void readNumbered(Session& session, const NumberedTracks& kind, const std::string& line) {
    int slot = slotOf(XPLattrInt(line, "streamNumber"), static_cast<int>(kind.ids.size()));
    if (slot < 0 || !claim(kind.ids, slot)) return;
    std::int32_t m = XPLattrInt(line, "mediaAttr");
    XPLattr(line, "description", kind.description);
    std::string label = trackLabel(codecOf(kind.codecs, m), slot, kind.description);
    listTrack(session.ui, kind.treeItem, label);
    // Subtitle slots 16 to 31 are listed but have no box.
    if (slot < kind.boxSlots) offer(session.ui, kind.box(slot), label, true);
}

}  // namespace

std::string trackLabel(const std::string& codec, int slot, const std::string& description) {
    return codec + ".stream." + (slot < 10 ? "0" : "") + std::to_string(slot) + "." + description;
}

void showTitle(Session& session, const std::string& playlistTitle) {
    FrontEnd& ui = session.ui;
    ui.treeClear();
    TopItems top{ui.treeAddTop("Info"), ui.treeAddTop("Video"), ui.treeAddTop("Audio"), ui.treeAddTop("Subtitle"),
                 ui.treeAddTop("Chapter")};
    if (!playlistTitle.empty()) ui.treeAddChild(top.info, "Title: " + playlistTitle);
    TitleLookups lookups;
    const NumberedTracks audio{session.table.AudioIds, session.codecs.AudioCodecs, lookups.audioDescription,
                               top.audio, kAudioSlots, audioBox};
    const NumberedTracks subtitles{session.table.SubpictureIds, session.codecs.SubpictureCodecs,
                                   lookups.subDescription, top.subtitle, kSubBoxSlots, subBox};
    for (int k = 0; k < ui.xplCount(); ++k) {
        const std::string line = ui.xplLine(k);
        const std::string upper = upperCase(line);
        if (contains(upper, "<TITLE ")) {
            XPLattr(line, "displayName", lookups.name);
            ui.treeAddChild(top.info, "Name: " + lookups.name);
            XPLattr(line, "titleDuration", lookups.duration);
            ui.treeAddChild(top.info, "Duration: " + lookups.duration);
        }
        if (contains(upper, "<VIDEO ")) readVideo(session, top, line);
        if (contains(upper, "<AUDIO ")) readNumbered(session, audio, line);
        if (contains(upper, "<SUBTITLE ")) readNumbered(session, subtitles, line);
        if (contains(upper, "<CHAPTER ")) {
            XPLattr(line, "titleTimeBegin", lookups.chapterBegin);
            XPLattr(line, "displayName", lookups.chapterName);
            ui.treeAddChild(top.chapter, lookups.chapterBegin + ": " + lookups.chapterName);
        }
    }
}

}  // namespace strandex
