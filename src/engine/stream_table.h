// The one program-wide engine state: which stream sits in which slot, the
// frame counters, the source and output files, the run flags and the read
// buffer. Plain data; the run-start reset is the only behaviour.
#pragma once
#include <array>
#include <cstdint>
#include <memory>

#include "engine/file_io.h"

namespace strandex {

inline constexpr int kVideoSlots = 2;
inline constexpr int kAudioSlots = 16;
inline constexpr int kSubSlots = 32;      // 16..31 are reported but have no box
inline constexpr int kSubBoxSlots = 16;
inline constexpr std::size_t kBlockSize = 262144;

struct StreamTable {
    std::array<std::int32_t, 16> VideoIds{};  // only 0 and 1 are ever filled
    std::array<std::int32_t, kAudioSlots> AudioIds{};
    std::array<std::int32_t, kSubSlots> SubpictureIds{};
    std::array<std::int32_t, kVideoSlots> FrameCount{};
    std::array<bool, kVideoSlots> VideoDetailsLogged{};
    std::array<bool, kAudioSlots> AudioDetailsLogged{};
    std::array<std::int32_t, 4> AC3SampleRates{};
    std::array<std::int32_t, 19> AC3BitRates{};

    SourceFile SourceStream;
    std::array<OutputFile, kVideoSlots> VideoOut;
    std::array<OutputFile, kAudioSlots> AudioOut;
    std::array<OutputFile, kSubBoxSlots> SubpictureOut;

    std::uint8_t StopFlag = 0;
    std::uint8_t BusyFlag = 0;
    // A packet whose scrambling-control bits are set was met: the source is
    // encrypted. Cleared by each command at its start, not per run, so the
    // second part of a feature counts too.
    bool Scrambled = false;

    // Allocated once for the life of the program.
    std::unique_ptr<std::uint8_t[]> ReadBuffer{new std::uint8_t[kBlockSize]()};

    void closeOutputs() noexcept;
};

// Steps 4 to 6 of the run start: the AC-3 tables, every slot empty, the
// details flags clear.
void resetForRun(StreamTable& t);

}  // namespace strandex
