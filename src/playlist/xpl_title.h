// The title that plays the source: found in the memo by the source's base
// name, and the memo cut to that title's lines.
#pragma once
#include <string>

#include "engine/front_end.h"

namespace strandex {

// The index of the first memo line naming the base name (case-sensitive)
// as a file: after a "/", a double quote or the line's start, and before a
// "."; -1 when none does. An empty base name is found nowhere.
int findSourceLine(const FrontEnd& ui, const std::string& base);

// Cuts the memo to the title around line `found`: the lines above the
// nearest "<TITLE " above it go, then the lines after the first "</TITLE"
// from the top (both any case).
void cutMemoToTitle(FrontEnd& ui, int found);

}  // namespace strandex
