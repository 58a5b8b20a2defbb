#include "mux/mux_plan.h"

#include <algorithm>
#include <filesystem>

#include "commands/codec_names.h"
#include "commands/source_selection.h"
#include "commands/stream_selection.h"
#include "playlist/language_codes.h"
#include "report/json_writer.h"
#include "report/report_fields.h"

namespace strandex {

namespace {

std::string absolutePath(const std::string& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    return error ? path : full.lexically_normal().string();
}

// The codings mkvmerge reads as Demux writes them. Subpictures only as
// a VobSub pair, not with the program's own "SP" headers; LPCM only once
// it is a WAV.
bool muxable(const SlotFacts& facts) {
    switch (facts.coding) {
        case ContentCoding::Mpeg2:
        case ContentCoding::H264:
        case ContentCoding::Vc1:
        case ContentCoding::Ac3:
        case ContentCoding::Eac3:
        case ContentCoding::Dts:
        case ContentCoding::TrueHd:
        case ContentCoding::Mlp: return true;
        case ContentCoding::Lpcm: return facts.lpcm.valid();
        case ContentCoding::Subpicture: return isVobSubIndex(facts.file);
        default: return false;
    }
}

const char* kindWord(StreamKindOfBox kind) {
    switch (kind) {
        case StreamKindOfBox::Video: return "Video";
        case StreamKindOfBox::Audio: return "Audio";
        case StreamKindOfBox::Subpicture: break;
    }
    return "Subpicture";
}

// "Subpicture stream 00 is not in the mux plan: mkvmerge does not read this format."
std::string leftOutLine(Box box, const char* reason) {
    StreamKindOfBox kind = kindOfBox(box);
    std::string slot = kind == StreamKindOfBox::Video ? videoSlotSuffix(slotOfBox(box)) : slotSuffix(slotOfBox(box));
    return std::string(kindWord(kind)) + " stream " + slot.substr(1) + " is not in the mux plan: " + reason + ".";
}

PlannedTrack trackOf(const Session& session, Box box, const SlotFacts& facts) {
    StreamKindOfBox kind = kindOfBox(box);
    SlotTable table = tableOfBox(box);
    TrackLabel label = trackLabel(session, table, slotOfBox(box), facts, typeOfId(table, facts.id));
    PlannedTrack track;
    track.box = box;
    track.file = absolutePath(facts.file);
    track.language = label.language;
    track.name = label.name;
    track.subtitle = kind == StreamKindOfBox::Subpicture;
    track.forced = label.forced;
    if (facts.coding == ContentCoding::Vc1 && facts.frameRateNum > 0 && facts.frameRateDen > 0)
        track.defaultDuration = std::to_string(facts.frameRateNum) + "/" + std::to_string(facts.frameRateDen) + "p";
    return track;
}

// The first video and the first audio track play by default.
void setDefaultFlags(std::vector<PlannedTrack>& tracks) {
    bool video = false, audio = false;
    for (PlannedTrack& t : tracks) {
        StreamKindOfBox kind = kindOfBox(t.box);
        bool& taken = kind == StreamKindOfBox::Video ? video : audio;
        if (kind == StreamKindOfBox::Subpicture || taken) continue;
        t.defaultTrack = taken = true;
    }
}

// A VobSub track's timestamps already count from the video's start.
int delayOf(const Session& session, const PlannedTrack& t) {
    if (isVobSubIndex(t.file)) return 0;
    return delayMs(session.facts, factsOfBox(session.facts, t.box)).value_or(0);
}

// Each track's delay to the video, every one shifted by the earliest
// stream's lead so that none starts below 0 and the offsets between
// tracks stay those of the source.
void setOffsets(const Session& session, std::vector<PlannedTrack>& tracks) {
    std::vector<int> delays;
    for (const PlannedTrack& t : tracks) delays.push_back(delayOf(session, t));
    int lead = std::max(0, -*std::min_element(delays.begin(), delays.end()));
    for (std::size_t k = 0; k < tracks.size(); ++k) tracks[k].syncMs = delays[k] + lead;
}

void addTrackArguments(std::vector<std::string>& args, const PlannedTrack& t) {
    args.insert(args.end(), {"--language", "0:" + t.language, "--track-name", "0:" + t.name,
                             "--default-track-flag", std::string("0:") + (t.defaultTrack ? "yes" : "no")});
    if (t.subtitle) args.insert(args.end(), {"--forced-display-flag", std::string("0:") + (t.forced ? "yes" : "no")});
    if (t.syncMs != 0) args.insert(args.end(), {"--sync", "0:" + std::to_string(t.syncMs)});
    if (!t.defaultDuration.empty()) args.insert(args.end(), {"--default-duration", "0:" + t.defaultDuration});
    args.push_back(t.file);
}

}  // namespace

bool isVobSubIndex(const std::string& file) {
    const std::string tail = ".idx";
    return file.size() > tail.size() && file.compare(file.size() - tail.size(), tail.size(), tail) == 0;
}

std::string vobsubDataPath(const std::string& idx) {
    return isVobSubIndex(idx) ? idx.substr(0, idx.size() - 4) + ".sub" : "";
}

std::string muxPlanPath(const std::string& prefix) { return prefix + ".mkvmerge.json"; }
std::string muxOutputPath(const std::string& prefix) { return prefix + ".mkv"; }

MuxPlan planMux(const Session& session, const std::string& prefix, const std::string& chapters) {
    MuxPlan plan;
    plan.output = absolutePath(muxOutputPath(prefix));
    const PlaylistFacts& playlist = session.playlist;
    bool titleRead = playlist.titleFound && playlist.sourceBase == session.paths.EVObase;
    plan.title = titleRead && !playlist.titleName.empty() ? playlist.titleName : fileNamePart(prefix);
    if (!chapters.empty()) {
        plan.chapters = absolutePath(chapters);
        plan.chapterLanguage = bibliographicCode(playlist.defaultLanguage);
    }
    for (Box box : slotBoxesInOrder()) {
        const SlotFacts& facts = factsOfBox(session.facts, box);
        if (facts.file.empty()) continue;  // not written by this Demux
        const char* reason = !facts.met          ? "Demux met none of its packets"
                             : !muxable(facts) ? "mkvmerge does not read this format"
                                               : nullptr;
        if (reason == nullptr) {
            plan.tracks.push_back(trackOf(session, box, facts));
        } else {
            plan.leftOut.push_back(leftOutLine(box, reason));
            plan.leftOutFiles.push_back(facts.file);
        }
    }
    setDefaultFlags(plan.tracks);
    if (!plan.tracks.empty()) setOffsets(session, plan.tracks);
    return plan;
}

std::vector<std::string> muxArguments(const MuxPlan& plan) {
    std::vector<std::string> args{"--output", plan.output, "--title", plan.title};
    if (!plan.chapters.empty())
        // The OGM file is UTF-8 whatever the locale mkvmerge runs in.
        args.insert(args.end(), {"--chapter-language", plan.chapterLanguage, "--chapter-charset", "UTF-8",
                                 "--chapters", plan.chapters});
    for (const PlannedTrack& t : plan.tracks) addTrackArguments(args, t);
    return args;
}

std::string muxPlanJson(const std::vector<std::string>& arguments) {
    std::string text = "[\n";
    for (std::size_t k = 0; k < arguments.size(); ++k)
        text += "  " + jsonString(arguments[k]) + (k + 1 < arguments.size() ? ",\n" : "\n");
    return text + "]\n";
}

}  // namespace strandex
