#include "playlist/xpl_title.h"

#include "playlist/xpl_attributes.h"

namespace strandex {

int findSourceLine(const FrontEnd& ui, const std::string& base) {
    if (base.empty()) return -1;
    for (int k = 0; k < ui.xplCount(); ++k)
        if (contains(ui.xplLine(k), base)) return k;
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
