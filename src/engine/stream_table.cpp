#include "engine/stream_table.h"

namespace strandex {

namespace {
// AC-3 sample rates by fscod; 0 for the reserved code 3.
constexpr std::array<std::int32_t, 4> kAc3SampleRates{48000, 44100, 32000, 0};
// Nominal AC-3 bit rates by frmsizecod / 2 (ATSC A/52 frame size table).
constexpr std::array<std::int32_t, 19> kAc3BitRates{
    32000,  40000,  48000,  56000,  64000,  80000,  96000,  112000, 128000, 160000,
    192000, 224000, 256000, 320000, 384000, 448000, 512000, 576000, 640000};
}  // namespace

void resetForRun(StreamTable& t) {
    t.AC3SampleRates = kAc3SampleRates;
    t.AC3BitRates = kAc3BitRates;
    t.VideoIds.fill(-1);
    t.AudioIds.fill(-1);
    t.SubpictureIds.fill(-1);
    t.AudioDetailsLogged.fill(false);
    t.VideoDetailsLogged.fill(false);
}

void resetFrameCounts(StreamTable& t) {
    t.FrameCount.fill(0);
    t.FrameWindow.fill(kNoFrameWindow);
}

void StreamTable::closeOutputs() noexcept {
    for (auto& f : VideoOut) f.discard();
    for (auto& f : AudioOut) f.discard();
    for (auto& f : SubpictureOut) f.discard();
}

}  // namespace strandex
