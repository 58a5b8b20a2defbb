// Read XPL run as the user runs it, on a command bench: the playlist
// written beside the sources (the disc's ADV_OBJ is not needed), the
// source chosen by name, which need not exist for Read XPL.
#pragma once
#include <string>
#include <vector>

#include "support/command_bench.h"

namespace strandex::test {

// The text of a playlist under tests/fixtures/xpl.
std::string fixturePlaylist(const std::string& name);

// A playlist of one title playing FEATURE_1.MAP: the TitleSet tag's
// attributes, the clip's tags, and the tags after the clip (ChapterList,
// TrackNavigationList), each line as given.
std::string titlePlaylist(const std::string& titleSetAttributes, const std::string& clipTags,
                          const std::string& afterClip);

class PlaylistBench : public CommandBench {
public:
    // Runs bReadXPLClick; returns its log lines.
    std::vector<std::string> readXpl(const std::string& playlist, const std::string& sourceName = "FEATURE_1.EVO");
};

}  // namespace strandex::test
