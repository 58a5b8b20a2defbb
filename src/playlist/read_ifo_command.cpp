#include "playlist/read_ifo_command.h"

#include <vector>

#include "engine/file_io.h"
#include "playlist/ifo_labels.h"
#include "playlist/ifo_title_set.h"
#include "playlist/language_codes.h"

namespace strandex {

namespace {

// An IFO holds a title set's tables and no video: what lies past this is
// not read.
constexpr std::int64_t kIfoMostBytes = 16 * 1024 * 1024;

std::vector<std::uint8_t> readIfoFile(Session& session) {
    FrontEnd& ui = session.ui;
    SourceFile file;
    file.open(ui.text(Edit::eXPLfile));
    ui.log("Open " + session.paths.XPLname);
    const std::string size = std::to_string(file.size());
    ui.log("Filesize: " + size + " bytes");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(file.size(), kIfoMostBytes)));
    std::size_t got = 0;
    while (got < bytes.size()) {
        got += file.read(bytes.data() + got, bytes.size() - got);
        ui.slog(std::to_string(file.position()) + "/" + size + " bytes", 1);
    }
    return bytes;
}

struct TopItems {
    int info, video, audio, subtitle, chapter;
};

void offer(Session& session, int treeItem, Box box, const std::string& label) {
    FrontEnd& ui = session.ui;
    ui.treeAddChild(treeItem, label);
    ui.log(label + " found!");
    ui.setBoxEnabled(box, true);
    ui.setTicked(box, true);
    ui.setCaption(box, label);
    ui.setHint(box, label);
}

TrackFacts trackFacts(const std::string& language) {
    TrackFacts track;
    track.listed = true;
    if (isLanguageCode(language)) track.language = lowerCaseCode(language);
    return track;
}

// DVD audio stream n is AC-3 substream 0x80 + n, DTS 0x88 + n, LPCM 0xA0 + n:
// audio slot n for each. MPEG audio (stream id 0xC0 + n) has no slot; it
// is listed and logged only.
void showAudio(Session& session, const TopItems& top, const IfoTitleSet& set) {
    for (std::size_t n = 0; n < set.audio.size(); ++n) {
        const IfoAudio& audio = set.audio[n];
        const int slot = static_cast<int>(n);
        const std::string label = ifoAudioLabel(audio, slot);
        if (audio.coding == IfoAudioCoding::Mpeg || audio.coding == IfoAudioCoding::Other) {
            session.ui.treeAddChild(top.audio, label);
            session.ui.log(label + " found!");
            continue;
        }
        session.table.AudioIds[n] = 1;
        offer(session, top.audio, audioBox(slot), label);
        session.playlist.audio[n] = trackFacts(audio.language);
    }
}

// Subpicture stream n is substream 0x20 + n: slot n; slots 16 to 31 have no box.
void showSubpictures(Session& session, const TopItems& top, const IfoTitleSet& set) {
    for (std::size_t n = 0; n < set.subpictures.size(); ++n) {
        const int slot = static_cast<int>(n);
        const std::string label = ifoSubpictureLabel(set.subpictures[n], slot);
        session.table.SubpictureIds[n] = 1;
        session.playlist.sub[n] = trackFacts(set.subpictures[n].language);
        if (slot < kSubBoxSlots) {
            offer(session, top.subtitle, subBox(slot), label);
        } else {
            session.ui.treeAddChild(top.subtitle, label);
            session.ui.log(label + " found!");
        }
    }
}

void showTitle(Session& session, const TopItems& top, const IfoTitleSet& set) {
    FrontEnd& ui = session.ui;
    PlaylistFacts& facts = session.playlist;
    ui.treeAddChild(top.info, "Title: PGC 1");
    if (set.title.hasDuration) {
        facts.durationMs = roundedMs(set.title.duration.ns());
        ui.treeAddChild(top.info, "Duration: " + ifoClockText(facts.durationMs));
    }
    if (set.video.read) {
        ui.treeAddChild(top.info, "Frame size: " + std::to_string(set.video.width) + "x" +
                                      std::to_string(set.video.height));
        facts.frameWidth = set.video.width;
        facts.frameHeight = set.video.height;
        session.table.VideoIds[0] = 1;
        offer(session, top.video, videoBox(0), ifoVideoLabel(set.video));
    }
    for (const IfoChapter& chapter : set.title.chapters) {
        const std::int64_t ns = chapter.start.ns();
        const std::string name = ifoChapterName(facts.chapters.size() + 1);
        facts.chapters.push_back({roundedMs(ns), ns, name});
        ui.treeAddChild(top.chapter, ifoClockText(roundedMs(ns)) + ": " + name);
    }
    facts.hasPalette = set.title.hasPalette;
    facts.palette = set.title.palette;
}

}  // namespace

bool playlistIsIfo(const std::string& path) {
    SourceFile file;
    file.open(path);
    std::array<std::uint8_t, kIfoTitleSetMark.size()> head{};
    std::size_t got = 0;
    while (got < head.size() && file.position() < file.size())
        got += file.read(head.data() + got, head.size() - got);
    return isIfoTitleSet(std::span(head.data(), got));
}

void readIfoPlaylist(Session& session) {
    FrontEnd& ui = session.ui;
    const std::vector<std::uint8_t> bytes = readIfoFile(session);
    ui.xplClear();
    session.table.VideoIds.fill(-1);
    session.table.AudioIds.fill(-1);
    session.table.SubpictureIds.fill(-1);
    const IfoTitleSet set = readIfoTitleSet(bytes);
    PlaylistFacts& facts = session.playlist;
    facts = PlaylistFacts{};
    facts.titleFound = true;
    facts.fromIfo = true;
    facts.sourceBase = session.paths.EVObase;
    ui.treeClear();
    const TopItems top{ui.treeAddTop("Info"), ui.treeAddTop("Video"), ui.treeAddTop("Audio"),
                       ui.treeAddTop("Subtitle"), ui.treeAddTop("Chapter")};
    showTitle(session, top, set);
    showAudio(session, top, set);
    showSubpictures(session, top, set);
    for (const std::string& note : set.notes) ui.log(note);
}

}  // namespace strandex
