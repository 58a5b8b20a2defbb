// What the field's own tools read back from an MKV: mkvmerge -J for the
// title, duration and tracks, mkvextract for the chapters and each track's
// timestamps, ffmpeg for a track that must decode cleanly. Each runs
// without a shell; a tool that is missing is a test failure, never a skip.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/pack_builder.h"

namespace strandex::test {

struct MkvTrack {
    int id = -1;
    std::string type;        // "video", "audio", "subtitles"
    std::string codec;       // "VC-1", "E-AC-3", "AVC/H.264/MPEG-4p10"
    std::string codecId;     // "V_MS/VFW/FOURCC", "A_EAC3"
    std::string language;    // ISO 639-2: "ger"
    std::string name;
    bool defaultTrack = false;
    bool forcedTrack = false;
    std::int64_t defaultDurationNs = 0;
};

struct MkvFacts {
    bool read = false;  // mkvmerge -J took the file
    std::string title;
    std::int64_t durationNs = 0;
    int chapterEntries = 0;
    std::vector<MkvTrack> tracks;
};

MkvFacts identifyMkv(const TempDir& work, const std::string& mkv);

// What a test expects of a track mkvmerge -J reads; no track is forced.
struct ExpectedTrack {
    const char *type, *codec, *codecId, *language, *name;
    bool isDefault;
};

// The tracks, in order, are the expected ones, as many as there are.
void expectTracks(const std::vector<MkvTrack>& tracks, const std::vector<ExpectedTrack>& expected);

// The chapters in the simple form: CHAPTER01=00:00:00.000, CHAPTER01NAME=…
std::string mkvChapters(const TempDir& work, const std::string& mkv);

// The track's timestamps in milliseconds, in the order the file stores them.
std::vector<double> mkvTimestampsMs(const TempDir& work, const std::string& mkv, int trackId);
// The lowest of them (a video track stores its pictures in decoding order);
// -1 for a track without any.
double mkvFirstTimestampMs(const TempDir& work, const std::string& mkv, int trackId);

// What ffmpeg writes on its error output decoding track `trackId` with its
// CRC checks on; empty when it decodes cleanly (a failed run says so).
std::string ffmpegDecodeErrors(const TempDir& work, const std::string& mkv, int trackId);

}  // namespace strandex::test
