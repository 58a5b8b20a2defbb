#include "playlist/xpl_title_sets.h"

#include "playlist/xpl_attributes.h"

namespace strandex {

void noteTitleSet(const std::string& line, TitleSetTags& sets) {
    const int at = sets.lines++;
    const std::string upper = upperCase(line);
    if (!contains(upper, "<TITLESET ") && !contains(upper, "<TITLESET>")) return;
    TitleSetTag tag;
    tag.line = at;
    XPLattr(line, "timeBase", tag.timeBase);
    XPLattr(line, "defaultLanguage", tag.defaultLanguage);
    sets.tags.push_back(tag);
}

TitleSetTag titleSetAbove(const TitleSetTags& sets, int line) {
    TitleSetTag above;
    for (const TitleSetTag& tag : sets.tags)
        if (tag.line < line) above = tag;
    return above;
}

}  // namespace strandex
