// The mux plan: an mkvmerge options file (a JSON array of strings, as
// `mkvmerge @FILE` reads it) that makes OUT/BASE.mkv from what Demux wrote:
// the title, the chapters, and each written stream in box order with its
// language, name, flags and offset to the others.
#pragma once
#include <string>
#include <vector>

#include "engine/session.h"

namespace strandex {

struct PlannedTrack {
    Box box = Box::cbVideo0;
    std::string file;             // absolute
    std::string language;         // as --language takes it: "de", "ger", "und"
    std::string name;
    bool defaultTrack = false;    // the first video and the first audio track
    bool subtitle = false;
    bool forced = false;          // subtitles only
    int syncMs = 0;               // 0: no --sync
    std::string defaultDuration;  // "24000/1001p" for VC-1, which mkvmerge would guess
};

struct MuxPlan {
    std::string output;            // absolute OUT/BASE.mkv
    std::string title;
    std::string chapters;          // absolute, empty without chapters
    std::string chapterLanguage;   // ISO 639-2/B
    std::vector<PlannedTrack> tracks;
    std::vector<std::string> leftOut;  // the log line of each stream left out
    std::vector<std::string> leftOutFiles;  // and its file
};

// The plan of the streams the last Demux wrote under `prefix` (Demux's
// output prefix: the work folder and FEATURE_1 or FEATURE_1_2).
// `chapters`: the OGM chapter file Demux wrote, or empty.
MuxPlan planMux(const Session& session, const std::string& prefix, const std::string& chapters);

// The plan as mkvmerge's arguments, in order.
std::vector<std::string> muxArguments(const MuxPlan& plan);

// The arguments as an options file: a JSON array, one string a line.
std::string muxPlanJson(const std::vector<std::string>& arguments);

// A subpicture stream's file that is the .idx of a VobSub pair, and the
// .sub beside it (empty for any other file).
bool isVobSubIndex(const std::string& file);
std::string vobsubDataPath(const std::string& idx);

// OUT/BASE.mkvmerge.json and OUT/BASE.mkv for Demux's prefix.
std::string muxPlanPath(const std::string& prefix);
std::string muxOutputPath(const std::string& prefix);

}  // namespace strandex
