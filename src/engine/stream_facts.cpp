#include "engine/stream_facts.h"

#include <cmath>

namespace strandex {

std::optional<int> delayMs(const StreamFacts& facts, const SlotFacts& stream) {
    const SlotFacts& video = facts.video[0];
    if (!video.hasPts || !stream.hasPts) return std::nullopt;
    auto ticks = static_cast<std::int32_t>(stream.earliestPts - video.earliestPts);
    return static_cast<int>(std::lround(ticks / 90.0));
}

}  // namespace strandex
