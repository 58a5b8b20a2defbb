// The texts Read XPL shows for a title set's IFO: the stream boxes'
// captions in the playlist's form ("DD.2ch.stream.00.en"), and the times
// of the tree.
#pragma once
#include <cstdint>
#include <string>

#include "playlist/ifo_title_set.h"

namespace strandex {

// "MPEG-2.stream.0" (or MPEG-1).
std::string ifoVideoLabel(const IfoVideo& video);
// Coding, channels, the stream's slot and its language ("und" without one).
std::string ifoAudioLabel(const IfoAudio& audio, int slot);
std::string ifoSubpictureLabel(const IfoSubpicture& sub, int slot);
// "HH:MM:SS.mmm".
std::string ifoClockText(std::int64_t ms);
// "Chapter 01".
std::string ifoChapterName(std::size_t number);

}  // namespace strandex
