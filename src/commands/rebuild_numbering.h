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
#include "engine/substreams.h"

namespace strandex {

// The numbers given within one IdSpace.
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

// True when the pack of v, a value of the row, is to be left out: v is the
// stream of a slot whose box is not selected (enabled and ticked) now. A
// kept v without a number yet gets one: the number the row offers for the
// count when that lies in the row's renumbering range (a Dolby Digital 0x80
// given count 8 would read as DTS 0x88) and is free in its space, else its
// own id when free, else the lowest free id of the range. Throws FileError
// when every id of the range is taken. DropVideo is for rows counted as
// video, DropAudio as audio, DropSub as subpicture.
bool DropVideo(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, const StreamRule& rule,
               std::uint8_t v);
bool DropAudio(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, const StreamRule& rule,
               std::uint8_t v);
bool DropSub(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, const StreamRule& rule,
             std::uint8_t v);

}  // namespace strandex
