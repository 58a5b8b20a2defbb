// Which packs Rebuild leaves out, and the new numbers of the streams it
// keeps: one running count for video, one for all audio kinds together,
// one for subpictures, in the order the kept streams are first met. No two
// kept streams of one id space end with the same number.
#pragma once
#include <array>
#include <bitset>
#include <cstdint>

#include "engine/front_end.h"
#include "engine/stream_table.h"

namespace strandex {

// The byte that names a stream: the substream id of private stream 1, the
// stream id extension of VC-1, or the stream id itself. Each is a space of
// its own: DD+ substream 0xC0 and MPEG audio stream 0xC0 are two streams.
enum class IdSpace : std::uint8_t { substream, extension, streamId };
inline constexpr std::size_t kIdSpaces = 3;

// The numbers given within one space.
struct SpaceNumbers {
    static constexpr std::uint8_t kNone = 255;
    std::array<std::uint8_t, 256> NewIds;  // by old id; kNone: none given yet
    std::bitset<256> taken;                 // the new ids given
    SpaceNumbers() { NewIds.fill(kNone); }
};

struct RebuildNumbering {
    std::array<SpaceNumbers, kIdSpaces> spaces;
    std::uint8_t NextVideoId = 0;
    std::uint8_t NextAudioId = 0;
    std::uint8_t NextSubId = 0;
    SpaceNumbers& in(IdSpace s) { return spaces[static_cast<std::size_t>(s)]; }
    const SpaceNumbers& in(IdSpace s) const { return spaces[static_cast<std::size_t>(s)]; }
};

bool Between(int v, int low, int high);

// The ids of one kind: a new number that would leave them (a Dolby Digital
// 0x80 given count 8 would read as DTS 0x88) is not given.
struct IdRange {
    int low, high;
};
IdRange audioRangeOf(std::uint8_t substream);  // DD, DTS-HD, LPCM, MLP, DD+
IdRange subRangeOf(std::uint8_t substream);    // subpicture or extended
IdRange videoRangeOf(std::uint8_t id);         // MPEG-2, H.264 or VC-1
inline constexpr IdRange kMpegAudioRange{0xC0, 0xDF};

// True when the pack of v is to be left out: v is the stream of a slot whose
// box is not selected (enabled and ticked) now. A kept v without a number
// yet gets one: the next count when that lies in its kind's range and is
// free in its space, else its own id when free, else the lowest free id of
// its kind. Throws FileError when every id of its kind is taken.
bool DropVideo(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v);
bool DropAudio(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v, IdSpace space);
bool DropSub(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v);

}  // namespace strandex
