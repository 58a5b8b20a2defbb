// The one program-wide engine state: which stream sits in which slot, the
// frame counters, the source and output files, the run flags and the read
// buffer. Plain data; the resets at a run's start and of the frame counts
// are the only behaviour.
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
// The start value of a frame code window: it holds no zero byte, so no code
// completes from bytes the stream does not hold.
inline constexpr std::uint32_t kNoFrameWindow = 0xFFFFFFFF;

struct StreamTable {
    std::array<std::int32_t, 16> VideoIds{};  // only 0 and 1 are ever filled
    std::array<std::int32_t, kAudioSlots> AudioIds{};
    std::array<std::int32_t, kSubSlots> SubpictureIds{};
    std::array<std::int32_t, kVideoSlots> FrameCount{};
    // The last four bytes of each video slot's counted chunks, newest
    // lowest: a frame code cut between two chunks is found in the second.
    std::array<std::uint32_t, kVideoSlots> FrameWindow{kNoFrameWindow, kNoFrameWindow};
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

// What a run resets in the table when it starts, after the Cancel button,
// the run flags and the parser state: the AC-3 tables, every slot empty,
// the details flags clear.
void resetForRun(StreamTable& t);

// Zeroes the frame counts and empties their windows: at the start of Read
// EVO and of Demux, and after a stopped run. They live on across the runs
// of one command, so Demux counts its second part as the first's sequel.
void resetFrameCounts(StreamTable& t);

}  // namespace strandex
