#include "commands/rebuild_numbering.h"

namespace strandex {

namespace {

// Finds v in the slot table; the first slot that holds it decides.
template <std::size_t N>
bool slotUnticked(const std::array<std::int32_t, N>& ids, int slots, const FrontEnd& ui,
                  Box (*boxOf)(int), std::uint8_t v) {
    for (int i = 0; i < slots; ++i)
        if (ids[static_cast<std::size_t>(i)] == v) return !selected(ui, boxOf(i));
    return false;
}

// Gives v its number once; the count goes on whether or not the number
// fits the kind's range (when it does not, v keeps its own).
void number(RebuildNumbering& n, std::uint8_t& counter, std::uint8_t v, int candidate, IdRange range) {
    if (n.NewIds[v] != RebuildNumbering::kNone) return;
    n.NewIds[v] = Between(candidate, range.low, range.high) ? static_cast<std::uint8_t>(candidate) : v;
    ++counter;
}

}  // namespace

bool Between(int v, int low, int high) { return low <= v && v <= high; }

IdRange audioRangeOf(std::uint8_t s) {
    if (Between(s, 0x80, 0x87)) return {0x80, 0x87};
    if (Between(s, 0x88, 0x8F)) return {0x88, 0x8F};
    if (Between(s, 0xA0, 0xA7)) return {0xA0, 0xA7};
    if (Between(s, 0xB0, 0xB7)) return {0xB0, 0xB7};
    return {0xC0, 0xCF};
}

IdRange subRangeOf(std::uint8_t s) { return Between(s, 0x60, 0x7F) ? IdRange{0x60, 0x7F} : IdRange{0x20, 0x3F}; }

IdRange videoRangeOf(std::uint8_t id) {
    if (Between(id, 0x55, 0x56)) return {0x55, 0x56};
    if (Between(id, 0xE2, 0xE3)) return {0xE2, 0xE3};
    return {0xE0, 0xE1};
}

bool DropVideo(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v) {
    if (slotUnticked(t.VideoIds, kVideoSlots, ui, videoBox, v)) return true;
    int candidate = Between(v, 0x55, 0x56) ? 0x55 + n.NextVideoId : (v & 0xFE) | n.NextVideoId;
    number(n, n.NextVideoId, v, candidate, videoRangeOf(v));
    return false;
}

bool DropAudio(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v, IdRange range) {
    if (slotUnticked(t.AudioIds, kAudioSlots, ui, audioBox, v)) return true;
    int candidate = (v & 0xF0) == 0xC0 ? (v & 0xF0) | n.NextAudioId : (v & 0xF8) | n.NextAudioId;
    number(n, n.NextAudioId, v, candidate, range);
    return false;
}

bool DropSub(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, std::uint8_t v) {
    if (slotUnticked(t.SubpictureIds, kSubBoxSlots, ui, subBox, v)) return true;
    number(n, n.NextSubId, v, (v & 0xE0) | n.NextSubId, subRangeOf(v));
    return false;
}

}  // namespace strandex
