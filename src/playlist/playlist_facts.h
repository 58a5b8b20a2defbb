// What Read XPL learnt of the title that plays the source, for the files
// other programs read (chapters, the report, the mux plan): each track's
// language, name and forced flag, and the title's chapters. Replaced by
// every Read XPL; empty (titleFound false) until one found the title.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/stream_table.h"

namespace strandex {

struct TrackFacts {
    bool listed = false;         // the title names a track in this slot
    std::string language = "und";  // ISO 639-1 or 639-2 code as the playlist gives it, else "und"
    std::string name;            // the track's name; empty: the caller names it by type
    bool forced = false;         // subtitles only
};

struct ChapterFacts {
    std::int64_t startMs = 0;    // from the title's start, to the nearest millisecond
    std::int64_t startNs = 0;    // the same to the nanosecond: a frame at 60fps is no whole millisecond
    std::string name;            // displayName, else "Chapter NN"
};

struct PlaylistFacts {
    bool titleFound = false;
    std::string sourceBase;      // the source's base name the title was found for
    std::string titleName;       // the Title's displayName, else the playlist's
    std::int64_t durationMs = -1;  // titleDuration, -1 when it does not parse
    std::string defaultLanguage; // the TitleSet's, as given; empty when absent
    int timeBaseFps = 60;
    std::array<TrackFacts, kAudioSlots> audio;
    std::array<TrackFacts, kSubSlots> sub;
    std::vector<ChapterFacts> chapters;
    // A DVD title set's IFO read as the playlist: the frame size and the
    // colour table its subpictures are drawn with (16 entries, each
    // 0x00YYCrCb as the IFO stores them).
    bool fromIfo = false;
    int frameWidth = 0;
    int frameHeight = 0;
    bool hasPalette = false;
    std::array<std::uint32_t, 16> palette{};
};

}  // namespace strandex
