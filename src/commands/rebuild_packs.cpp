#include "commands/rebuild_packs.h"

#include "engine/scrambling.h"

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

bool isAudioSubstream(int k) {
    return Between(k, 0xC0, 0xCF) || Between(k, 0x80, 0x8F) || Between(k, 0xA0, 0xA7) || Between(k, 0xB0, 0xB7);
}

bool isSubSubstream(int k) { return Between(k, 0x20, 0x3F) || Between(k, 0x60, 0x7F); }

// Whether byte k of the pack names a stream that the tests number: the
// substream id of private stream 1, the stream id extension of VC-1. Any
// other byte there (a time stamp of a packet without extension, say) is not
// an id and is never changed.
bool namesStream(std::uint8_t s, int k) {
    if (s == 0xBD) return isAudioSubstream(k) || isSubSubstream(k);
    if (s == 0xFD) return Between(k, 0x55, 0x56);
    return false;
}

// The tests, in their order; the first that says "drop" decides. Private
// stream 1 substreams of every audio and subpicture kind the engine knows
// are tested, so no unticked stream stays behind.
bool dropped(std::uint8_t s, int k, const StreamTable& t, const FrontEnd& ui, RebuildNumbering& n) {
    if (s == 0xBD && k >= 0) {
        auto v = static_cast<std::uint8_t>(k);
        if (isAudioSubstream(k)) return DropAudio(t, ui, n, v, IdSpace::substream);
        if (isSubSubstream(k)) return DropSub(t, ui, n, v);
    }
    if (s == 0xFD && Between(k, 0x55, 0x56)) return DropVideo(t, ui, n, static_cast<std::uint8_t>(k));
    if (Between(s, 0xE0, 0xE3)) return DropVideo(t, ui, n, s);
    if (Between(s, 0xC0, 0xDF)) return DropAudio(t, ui, n, s, IdSpace::streamId);
    return false;
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
    std::uint8_t s = pack[17];
    if (s == 0xBB && n > 24) setBounds(pack, ui);
    if (!isPackStart(pack, n)) return false;
    // The byte that names the stream: the substream id (first payload byte)
    // of private stream 1, else the last header byte (the VC-1 extension).
    std::size_t at = n > 22 ? (s == 0xBD ? 23u : 22u) + pack[22] : n;
    int k = at < n ? pack[at] : -1;
    if (dropped(s, k, t, ui, numbering)) return false;
    if (namesStream(s, k)) renumber(pack[at], numbering.in(s == 0xBD ? IdSpace::substream : IdSpace::extension));
    if (Between(s, 0xE0, 0xE3) || Between(s, 0xC0, 0xDF)) renumber(pack[17], numbering.in(IdSpace::streamId));
    return true;
}

// The first packet's first flags byte: after the 14-byte pack header, its
// start code (3), stream id (1) and PES_packet_length (2).
bool packScrambled(const std::uint8_t* pack, std::size_t n) {
    return n > 20 && isPackStart(pack, n) && hasPesFlags(pack[17]) && isScrambledFlags(pack[20]);
}

}  // namespace strandex
