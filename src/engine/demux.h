// The engine: reads the source block by block, parses its PES packets,
// registers the streams it meets and hands payload chunks to the dispatch.
#pragma once
#include <cstdint>
#include <string>

#include "engine/demux_state.h"
#include "engine/session.h"

namespace strandex {

// Runs over SourceStream from where it stands to its end (or until StopFlag).
void demux(Session& session, RunMode mode);

// "Reading FEATURE_1.EVO 512/4411 Mbytes, Remaining time: 0:06:02": the
// verb, the file name, the megabytes done and in all, and the time left
// estimated from the time spent (one second added).
std::string progressText(const std::string& verb, const std::string& fileName, std::int64_t position,
                         std::int64_t size, double elapsedDays);
std::string progressLine(RunMode mode, const std::string& fileName, std::int64_t position,
                         std::int64_t size, double elapsedDays);
// "It contains 1 video stream and 3 audio streams." from a block that starts
// with a pack header followed by a system header.
std::string streamCountLine(const std::uint8_t* block);

// Sizes and positions are shown in whole mebibytes ("Mbytes"); a run shows
// its progress, and lets events (Cancel) in, at every 4 MiB of the source.
inline constexpr std::int64_t kMiB = 1048576;
inline constexpr std::int64_t kProgressEvery = 4 * kMiB;

}  // namespace strandex
