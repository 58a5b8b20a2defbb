#include "playlist/xpl_title.h"

#include <string>

#include "playlist/xpl_attributes.h"

namespace strandex {

namespace {

// The base name as a whole file name: after a "/", a double quote or the
// line's start, and before a ".", so that FEATURE_1 is not found in
// FEATURE_10.MAP or XFEATURE_1.MAP.
bool namesFile(const std::string& line, const std::string& base) {
    for (auto at = line.find(base); at != std::string::npos; at = line.find(base, at + 1)) {
        bool startsName = at == 0 || line[at - 1] == '/' || line[at - 1] == '"';
        std::size_t end = at + base.size();
        if (startsName && end < line.size() && line[end] == '.') return true;
    }
    return false;
}

}  // namespace

int findSourceLine(const FrontEnd& ui, const std::string& base) {
    if (base.empty()) return -1;
    for (int k = 0; k < ui.xplCount(); ++k)
        if (namesFile(ui.xplLine(k), base)) return k;
    return -1;
}

void cutMemoToTitle(FrontEnd& ui, int found) {
    for (int k = found - 1; k >= 0; --k) {
        if (!contains(upperCase(ui.xplLine(k)), "<TITLE ")) continue;
        // The last line first: each delete then moves the fewest lines.
        for (int above = k - 1; above >= 0; --above) ui.xplDelete(above);
        break;
    }
    for (int k = 0; k < ui.xplCount(); ++k) {
        if (!contains(upperCase(ui.xplLine(k)), "</TITLE")) continue;
        if (k > 0)
            for (int after = ui.xplCount() - 1; after > k; --after) ui.xplDelete(after);
        break;
    }
}

}  // namespace strandex
