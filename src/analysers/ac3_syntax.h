// The AC-3 and E-AC-3 sync frame syntax both the header analyser and the
// stream probe read: the sync word, how bsid tells the codings apart, the
// channel modes and E-AC-3's blocks per frame.
#pragma once
#include <array>
#include <cstdint>

namespace strandex {

inline constexpr std::uint32_t kAc3SyncWord = 0x0B77;

// bsid 11 to 16 is E-AC-3 (16 as coded today); 8 and below is AC-3, 9 and
// 10 its rarely seen half-rate variants.
constexpr bool isEac3Bsid(std::uint32_t bsid) { return bsid > 10 && bsid <= 16; }

// Audio coding mode (acmod): front/rear channels, 1+1 being dual mono.
inline constexpr std::array<const char*, 8> ChannelModeNames{"1+1", "1/0", "2/0", "3/0",
                                                            "2/1", "3/1", "2/2", "3/2"};
// The full-range channels of each acmod, LFE not counted.
inline constexpr std::array<int, 8> kAc3ModeChannels{2, 1, 2, 3, 3, 4, 4, 5};

// E-AC-3 audio blocks per frame, by numblkscod.
inline constexpr std::array<std::uint32_t, 4> EAC3Blocks{1, 2, 3, 6};

}  // namespace strandex
