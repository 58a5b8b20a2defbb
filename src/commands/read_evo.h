#pragma once
#include <cstdint>
#include <string>

#include "engine/session.h"

namespace strandex {

// "Read EVO": scans the source, then offers each stream found as a ticked,
// captioned box and logs the frame counts as playing times.
void bCheckClick(Session& session);

// "34567 frames (0:24:01 s) count in video stream 0."
std::string frameCountLine(std::int32_t frames, double dayFraction, int slot);

// The frame-count line of every video slot that counted frames, the playing
// time as the fraction of a day `playingDays` gives for the count: Read EVO
// and Demux take a picture's length each in its own way.
void logFrameCounts(FrontEnd& ui, const StreamTable& t, double (*playingDays)(std::int32_t frames));

}  // namespace strandex
