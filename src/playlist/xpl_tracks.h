// The chosen title shown: the tree of its name, duration, tracks and
// chapters, and its tracks offered as ticked, captioned stream boxes.
#pragma once
#include <string>

#include "engine/session.h"

namespace strandex {

// One destination per lookup, empty when a run starts; a tag without the
// attribute keeps what the same lookup found in an earlier tag.
struct TitleLookups {
    std::string name, duration;
    std::string audioDescription, subDescription;
    std::string chapterBegin, chapterName;
};

// Rebuilds the tree (Info, Video, Audio, Subtitle, Chapter) and walks the
// memo lines. Only the first tag of a slot counts; the id tables, all -1
// before, get 1 in each slot the title names. A track or stream number
// outside the tables is passed over.
void showTitle(Session& session, const std::string& playlistTitle);

// "DD+.6ch.stream.02.en": codec, ".stream.", the slot with a leading zero
// below 10, ".", the description.
std::string trackLabel(const std::string& codec, int slot, const std::string& description);

}  // namespace strandex
