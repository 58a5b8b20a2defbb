#include "commands/rebuild_packs.h"

#include "engine/scrambling.h"
#include "engine/substreams.h"

namespace strandex {

namespace {

int selectedCount(const FrontEnd& ui, Box (*boxOf)(int), int count) {
    int n = 0;
    for (int i = 0; i < count; ++i) n += selected(ui, boxOf(i)) ? 1 : 0;
    return n;
}

// A system header right after the pack header: audio_bound in bits 7-2 of
// byte 23, video_bound in bits 4-0 of byte 24.
void setBounds(std::uint8_t* pack, const FrontEnd& ui) {
    pack[24] = static_cast<std::uint8_t>((pack[24] & 0xE0) | selectedCount(ui, videoBox, kVideoSlots));
    pack[23] = static_cast<std::uint8_t>((pack[23] & 0x03) | (selectedCount(ui, audioBox, kAudioSlots) << 2));
}

bool isPackStart(const std::uint8_t* pack, std::size_t n) {
    return n >= 4 && pack[0] == 0x00 && pack[1] == 0x00 && pack[2] == 0x01 && pack[3] == 0xBA;
}

// The stream a pack's first packet belongs to as Rebuild tests it: the row
// of its naming byte and where that byte stands in the pack. Private stream
// 1 names it by the substream id (the first payload byte), the extended
// stream id by the stream id extension (the last header byte), any other
// packet by its stream id. No row: nothing to test or renumber.
struct NamedStream {
    const StreamRule* rule;
    std::size_t at;
};

NamedStream namedStream(const std::uint8_t* pack, std::size_t n) {
    const StreamRule* packet = ruleOf(IdSpace::streamId, pack[17]);
    if (packet == nullptr || packet->inner == IdSpace::streamId) return {packet, 17};
    std::size_t at = n > 22 ? (packet->inner == IdSpace::substream ? 23u : 22u) + pack[22] : n;
    if (at >= n) return {nullptr, at};
    return {ruleOf(packet->inner, pack[at]), at};
}

// Streams of every audio and subpicture kind the engine knows are tested, so
// no unticked stream stays behind.
bool dropped(const StreamRule& rule, std::uint8_t v, const StreamTable& t, const FrontEnd& ui,
             RebuildNumbering& n) {
    switch (rule.renumber.counted) {
        case SlotTable::video: return DropVideo(t, ui, n, rule, v);
        case SlotTable::audio: return DropAudio(t, ui, n, rule, v);
        case SlotTable::subpicture: return DropSub(t, ui, n, rule, v);
        default: return false;
    }
}

// A value no test numbered keeps its own id.
void renumber(std::uint8_t& byte, const SpaceNumbers& space) {
    if (space.NewIds[byte] != SpaceNumbers::kNone) byte = space.NewIds[byte];
}

}  // namespace

bool rebuildPack(std::uint8_t* pack, std::size_t n, const StreamTable& t, const FrontEnd& ui,
                 RebuildNumbering& numbering) {
    // A short last pack: only the bytes read are looked at or changed.
    if (n <= 17) return isPackStart(pack, n);
    if (pack[17] == 0xBB && n > 24) setBounds(pack, ui);
    if (!isPackStart(pack, n)) return false;
    NamedStream named = namedStream(pack, n);
    if (named.rule == nullptr || named.rule->renumber.counted == SlotTable::none) return true;
    std::uint8_t& v = pack[named.at];
    if (dropped(*named.rule, v, t, ui, numbering)) return false;
    renumber(v, numbering.in(named.rule->space));
    return true;
}

// The first packet's first flags byte: after the 14-byte pack header, its
// start code (3), stream id (1) and PES_packet_length (2).
bool packScrambled(const std::uint8_t* pack, std::size_t n) {
    return n > 20 && isPackStart(pack, n) && hasPesFlags(pack[17]) && isScrambledFlags(pack[20]);
}

}  // namespace strandex
