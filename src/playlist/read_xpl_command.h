#pragma once
#include "engine/session.h"

namespace strandex {

// "Read XPL": scans the playlist into the memo, one indented line per tag,
// fills the codec tables from its media attribute items, finds the title
// that plays the source and shows it in the tree and the stream boxes, and
// keeps its languages, names and chapters in Session::playlist.
// The file errors and ConversionError end it with the memo hidden and the
// button disabled.
void bReadXPLClick(Session& session);

}  // namespace strandex
