#include "commands/rebuild_numbering.h"

#include <cstdio>
#include <string>

#include "engine/file_io.h"

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

constexpr std::array<const char*, kIdSpaces> kSpaceNames{"substream", "stream id extension", "stream"};

std::string noFreeIdText(IdSpace space, std::uint8_t v) {
    char id[8];
    std::snprintf(id, sizeof id, "0x%02X", v);
    return std::string("Rebuild cannot give ") + kSpaceNames[static_cast<std::size_t>(space)] + " " + id +
           " an id of its own: every id of its kind is taken.";
}

// The number v has been given in another space, or -1. Only the ids of DD+
// substreams and of MPEG audio streams meet there.
int numberElsewhere(const RebuildNumbering& n, IdSpace space, std::uint8_t v) {
    for (std::size_t k = 0; k < kIdSpaces; ++k)
        if (k != static_cast<std::size_t>(space) && n.spaces[k].NewIds[v] != SpaceNumbers::kNone)
            return n.spaces[k].NewIds[v];
    return -1;
}

bool freeIn(const SpaceNumbers& s, int id, IdRange range) { return Between(id, range.low, range.high) && !s.taken[id]; }

// The counted candidate, else v's own id, else the lowest free id of the
// range; -1 when the range is full.
int freeId(const SpaceNumbers& s, int candidate, std::uint8_t v, IdRange range) {
    if (freeIn(s, candidate, range)) return candidate;
    if (!s.taken[v]) return v;
    for (int id = range.low; id <= range.high; ++id)
        if (!s.taken[id]) return id;
    return -1;
}

// The number the row offers first to v when the count stands at `count`.
int candidateOf(const Renumbering& r, std::uint8_t v, std::uint8_t count) {
    return r.plusCount ? r.range.low + count : (v & r.keepMask) | count;
}

// Gives v its number once. A stream whose value another space has numbered
// (DD+ substream 0xC3 and MPEG audio stream 0xC3) takes that number when it
// suits it, and either way is not counted: the numbers of the streams met
// later stay as they were. Otherwise the count goes on whether or not the
// candidate was given.
void number(RebuildNumbering& n, const StreamRule& rule, std::uint8_t& counter, std::uint8_t v) {
    IdSpace space = rule.space;
    IdRange range = rule.renumber.range;
    SpaceNumbers& s = n.in(space);
    if (s.NewIds[v] != SpaceNumbers::kNone) return;
    int elsewhere = numberElsewhere(n, space, v);
    int id = elsewhere >= 0 && freeIn(s, elsewhere, range) ? elsewhere
                                                            : freeId(s, candidateOf(rule.renumber, v, counter), v, range);
    if (id < 0) throw FileError(noFreeIdText(space, v));
    s.NewIds[v] = static_cast<std::uint8_t>(id);
    s.taken.set(static_cast<std::size_t>(id));
    if (elsewhere < 0) ++counter;
}

}  // namespace

bool Between(int v, int low, int high) { return low <= v && v <= high; }

bool DropVideo(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, const StreamRule& rule,
               std::uint8_t v) {
    if (slotUnticked(t.VideoIds, kVideoSlots, ui, videoBox, v)) return true;
    number(n, rule, n.NextVideoId, v);
    return false;
}

bool DropAudio(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, const StreamRule& rule,
               std::uint8_t v) {
    if (slotUnticked(t.AudioIds, kAudioSlots, ui, audioBox, v)) return true;
    number(n, rule, n.NextAudioId, v);
    return false;
}

bool DropSub(const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n, const StreamRule& rule,
             std::uint8_t v) {
    if (slotUnticked(t.SubpictureIds, kSubBoxSlots, ui, subBox, v)) return true;
    number(n, rule, n.NextSubId, v);
    return false;
}

}  // namespace strandex
