// The title's facts for other programs (Session::playlist), read from the
// memo once it is cut to the title: its name and duration, each audio and
// subtitle slot's language, name and forced flag, and its chapters. Reads
// with fresh lookups, so a tag without an attribute does not take an
// earlier tag's; changes nothing the memo, the tree or the boxes show.
#pragma once
#include <string>

#include "engine/session.h"
#include "playlist/xpl_title_sets.h"

namespace strandex {

// Replaces session.playlist; logs a line for each thing it leaves out.
void readTitleFacts(Session& session, const TitleSetTag& titleSet, const std::string& playlistTitle);

}  // namespace strandex
