#include "playlist/xpl_tracks.h"

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
template <std::size_t N>
bool claim(std::array<std::int32_t, N>& ids, int slot) {
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

void readVideo(Session& session, const TopItems& top, const std::string& line) {
    int t = slotOf(XPLattrInt(line, "track"), 16);
    if (t < 0 || !claim(session.table.VideoIds, t)) return;
    std::int32_t m = XPLattrInt(line, "mediaAttr");
    std::string label = codecOf(session.codecs.VideoCodecs, m) + ".stream." + std::to_string(t);
    session.ui.treeAddChild(top.video, label);
    session.ui.log(label + " found!");
    // Only track 1 has a box.
    if (t == 0) offer(session.ui, videoBox(0), label, false);
}

void readAudio(Session& session, const TopItems& top, const std::string& line, TitleLookups& lookups) {
    int a = slotOf(XPLattrInt(line, "streamNumber"), kAudioSlots);
    if (a < 0 || !claim(session.table.AudioIds, a)) return;
    std::int32_t m = XPLattrInt(line, "mediaAttr");
    XPLattr(line, "description", lookups.audioDescription);
    std::string label = trackLabel(codecOf(session.codecs.AudioCodecs, m), a, lookups.audioDescription);
    session.ui.treeAddChild(top.audio, label);
    session.ui.log(label + " found!");
    offer(session.ui, audioBox(a), label, true);
}

void readSubtitle(Session& session, const TopItems& top, const std::string& line, TitleLookups& lookups) {
    int s = slotOf(XPLattrInt(line, "streamNumber"), kSubSlots);
    if (s < 0 || !claim(session.table.SubpictureIds, s)) return;
    std::int32_t m = XPLattrInt(line, "mediaAttr");
    XPLattr(line, "description", lookups.subDescription);
    std::string label = trackLabel(codecOf(session.codecs.SubpictureCodecs, m), s, lookups.subDescription);
    session.ui.treeAddChild(top.subtitle, label);
    session.ui.log(label + " found!");
    // Slots 16 to 31 are listed but have no box.
    if (s < kSubBoxSlots) offer(session.ui, subBox(s), label, true);
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
        if (contains(upper, "<AUDIO ")) readAudio(session, top, line, lookups);
        if (contains(upper, "<SUBTITLE ")) readSubtitle(session, top, line, lookups);
        if (contains(upper, "<CHAPTER ")) {
            XPLattr(line, "titleTimeBegin", lookups.chapterBegin);
            XPLattr(line, "displayName", lookups.chapterName);
            ui.treeAddChild(top.chapter, lookups.chapterBegin + ": " + lookups.chapterName);
        }
    }
}

}  // namespace strandex
