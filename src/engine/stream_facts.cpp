#include "engine/stream_facts.h"

#include <cmath>

namespace strandex {

ContentCoding codingOf(VideoCodec codec) {
    switch (codec) {
        case VideoCodec::Mpeg2: return ContentCoding::Mpeg2;
        case VideoCodec::H264: return ContentCoding::H264;
        case VideoCodec::Vc1: return ContentCoding::Vc1;
    }
    return ContentCoding::Unknown;
}

ContentCoding codingOf(AudioCoding coding) {
    switch (coding) {
        case AudioCoding::DD: return ContentCoding::Ac3;
        case AudioCoding::DDPlus: return ContentCoding::Eac3;
        case AudioCoding::DtsHd: return ContentCoding::Dts;
        case AudioCoding::Lpcm: return ContentCoding::Lpcm;
        case AudioCoding::Mlp: return ContentCoding::TrueHd;
    }
    return ContentCoding::Unknown;
}

std::optional<int> delayMs(const StreamFacts& facts, const SlotFacts& stream) {
    const SlotFacts& video = facts.video[0];
    if (!video.hasPts || !stream.hasPts) return std::nullopt;
    auto ticks = static_cast<std::int32_t>(stream.earliestPts - video.earliestPts);
    return static_cast<int>(std::lround(ticks / 90.0));
}

}  // namespace strandex
