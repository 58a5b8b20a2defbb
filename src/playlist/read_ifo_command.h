// Read XPL on a DVD title set's IFO: the IFO stands for the playlist, its
// first program chain for the title.
#pragma once
#include <string>

#include "engine/session.h"

namespace strandex {

// True when the file starts with the title set mark; a file that cannot be
// opened throws the file error, as the playlist would.
bool playlistIsIfo(const std::string& path);

// Logs "Open", "Filesize" and a "found!" line per stream, rebuilds the tree
// (Info, Video, Audio, Subtitle, Chapter), offers the streams on their
// boxes with the playlist's captions, marks their slots in the id tables
// and keeps the title's facts in Session::playlist. The memo is left
// empty: the IFO has no lines to show.
void readIfoPlaylist(Session& session);

}  // namespace strandex
