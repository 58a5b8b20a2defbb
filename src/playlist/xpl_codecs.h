// What is taken from each line while the playlist is scanned: the
// playlist's display name and the media attribute items, whose codec texts
// fill the session's tables by their index 1 to 8.
#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "engine/session.h"
#include "playlist/xpl_title_sets.h"

namespace strandex {

// One destination per lookup, empty when a run starts. A tag without the
// attribute leaves the value of an earlier tag of the run: an audio item
// without channels gets the channels of the item before it.
struct ScanLookups {
    std::string playlistTitle;
    std::string videoIndex, videoCodec;
    std::string audioChannels, audioIndex, audioCodec;
    std::string subIndex, subCodec;
    TitleSetTags titleSets;
};

// Tests one line, case-sensitive, for "Playlist" and the three kinds of
// attribute item, and notes the TitleSet tags. An index that is not an integer throws ConversionError;
// one outside 1 to 8 stores nothing.
void readScannedLine(const std::string& line, ScanLookups& lookups, PlaylistCodecs& codecs);

// Entry m of a table (1 to 8); an empty text for any other m.
const std::string& codecOf(const std::array<std::string, 8>& table, std::int32_t m);

}  // namespace strandex
