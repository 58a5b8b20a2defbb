#include "engine/vobsub_index.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace strandex {

namespace {

int channel(double value) { return static_cast<int>(std::clamp(std::lround(value), 0L, 255L)); }

std::string hex6(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

std::string hex9(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%09llx", static_cast<unsigned long long>(value));
    return text;
}

// A unit's time from the video's start: the difference modulo 2^32 as the
// PTS are held, read signed; a unit before the video starts at 0.
std::uint64_t ticksFromVideo(const VobSubIndexFacts& facts, std::uint32_t pts) {
    if (!facts.hasVideoPts) return pts;
    auto ticks = static_cast<std::int32_t>(pts - facts.videoPts);
    return ticks < 0 ? 0 : static_cast<std::uint64_t>(ticks);
}

}  // namespace

std::uint32_t rgbOfYCrCb(std::uint32_t entry) {
    double y = 1.164 * (static_cast<int>((entry >> 16) & 0xFF) - 16);
    double cr = static_cast<int>((entry >> 8) & 0xFF) - 128;
    double cb = static_cast<int>(entry & 0xFF) - 128;
    int r = channel(y + 1.596 * cr);
    int g = channel(y - 0.813 * cr - 0.391 * cb);
    int b = channel(y + 2.018 * cb);
    return static_cast<std::uint32_t>((r << 16) | (g << 8) | b);
}

std::string vobsubTime(std::uint64_t ticks) {
    std::uint64_t ms = ticks / 90;
    char text[40];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu:%03llu", static_cast<unsigned long long>(ms / 3600000),
                  static_cast<unsigned long long>(ms / 60000 % 60), static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000));
    return text;
}

std::string vobsubIndex(const VobSubIndexFacts& facts, const std::vector<VobSubEntry>& entries) {
    std::string text = "# VobSub index file, v7 (do not modify this line!)\n";
    text += "size: " + std::to_string(facts.width) + "x" + std::to_string(facts.height) + "\n";
    text += "palette: ";
    for (std::size_t k = 0; k < facts.palette.size(); ++k)
        text += (k == 0 ? "" : ", ") + hex6(rgbOfYCrCb(facts.palette[k]));
    text += "\n\nid: " + facts.language + ", index: 0\n";
    for (const VobSubEntry& e : entries)
        text += "timestamp: " + vobsubTime(ticksFromVideo(facts, e.pts)) + ", filepos: " + hex9(e.filepos) + "\n";
    return text;
}

}  // namespace strandex
