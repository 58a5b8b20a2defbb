// The TitleSet tags met while the playlist is scanned. Their attributes
// (the time base of every title's frames, the default language) sit above
// the titles, so they are gone from the memo once it is cut to one title.
#pragma once
#include <string>
#include <vector>

namespace strandex {

struct TitleSetTag {
    int line = 0;                 // its line in the memo, before the cut
    std::string timeBase;         // as given; empty when absent
    std::string defaultLanguage;  // as given; empty when absent
};

struct TitleSetTags {
    int lines = 0;  // the lines scanned so far
    std::vector<TitleSetTag> tags;
};

// Counts the line and notes it when it opens a TitleSet (any case).
void noteTitleSet(const std::string& line, TitleSetTags& sets);

// The last TitleSet opened above memo line `line`; an empty one (no time
// base, no language) when there is none.
TitleSetTag titleSetAbove(const TitleSetTags& sets, int line);

}  // namespace strandex
