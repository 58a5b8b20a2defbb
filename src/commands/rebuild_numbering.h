// Which packs Rebuild leaves out, and the new numbers of the streams it
// keeps: one running count for video, one for all audio kinds together,
// one for subpictures, in the order the kept streams are first met.
#pragma once
#include <array>
#include <cstdint>

#include "engine/front_end.h"
#include "engine/stream_table.h"

namespace strandex {

struct RebuildNumbering {
    static constexpr std::uint8_t kNone = 255;
    std::array<std::uint8_t, 256> NewIds;
    std::uint8_t NextVideoId = 0;
    std::uint8_t NextAudioId = 0;
    std::uint8_t NextSubId = 0;
    RebuildNumbering() { NewIds.fill(kNone); }
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
// box is not selected (enabled and ticked) now. A kept v without a number yet gets the next one.
bool DropVideo(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v);
bool DropAudio(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v, IdRange range);
bool DropSub(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v);

}  // namespace strandex
