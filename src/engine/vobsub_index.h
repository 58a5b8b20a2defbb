// The .idx of a VobSub pair (version 7 text): the frame size, the 16
// colours in RGB, the stream's language and index, and a timestamp and
// file position per unit.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/vobsub_output.h"

namespace strandex {

struct VobSubIndexFacts {
    int width = 0;
    int height = 0;
    std::array<std::uint32_t, 16> palette{};  // 0x00YYCrCb, as a DVD's colour table holds them
    std::string language;                     // two letters, as the .idx takes them
    bool hasVideoPts = false;                 // timestamps count from the video's earliest PTS
    std::uint32_t videoPts = 0;
};

// 0x00YYCrCb in studio range (BT.601) to 0x00RRGGBB, each channel rounded
// and clamped.
std::uint32_t rgbOfYCrCb(std::uint32_t entry);

// "00:01:02:345": a time in 90 kHz ticks as the .idx writes it.
std::string vobsubTime(std::uint64_t ticks);

std::string vobsubIndex(const VobSubIndexFacts& facts, const std::vector<VobSubEntry>& entries);

}  // namespace strandex
