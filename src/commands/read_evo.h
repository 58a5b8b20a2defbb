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

}  // namespace strandex
