// The substream map: every stream the program knows, by the byte that names
// it, in one table. A row says which packets the engine opens, which slot a
// stream takes, how much of its private stream 1 payload is header, its
// "found!" line, its type name in the stream boxes and the numbers Rebuild
// may give it. Every test of an id range reads its rule here.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/demux_state.h"
#include "engine/stream_table.h"

namespace strandex {

// Where a stream's naming byte stands: the first payload byte of a private
// stream 1 packet, the stream id extension of an extended stream id packet,
// or the PES stream id itself. Each is a space of its own: DD+ substream
// 0xC0 and MPEG audio stream 0xC0 are two streams.
enum class IdSpace : std::uint8_t { substream, extension, streamId };
inline constexpr std::size_t kIdSpaces = 3;

struct IdRange {
    int low, high;
    constexpr bool holds(int v) const { return low <= v && v <= high; }
};
inline constexpr IdRange kNoIds{0, -1};

// The stream table slots a stream is registered in, or none.
enum class SlotTable : std::uint8_t { none, video, audio, subpicture };

// What Rebuild does with a row's streams. `counted`: the slots it looks
// them up in and the running count that numbers them (none: they keep
// their ids). `range`: a new number stays in it. The number offered first
// to the stream met when the count is n: (id AND keepMask) OR n, or, with
// `plusCount`, the range's first id plus n.
struct Renumbering {
    SlotTable counted = SlotTable::none;
    IdRange range = kNoIds;
    int keepMask = 0;
    bool plusCount = false;
};

struct StreamRule {
    IdSpace space;
    IdRange ids;
    // The Kind of the stream's packets; None: the engine opens no packet.
    StreamKind kind;
    VideoCodec codec = VideoCodec::Mpeg2;
    AudioCoding coding = AudioCoding::DD;
    // The slot is the id less the row's first id.
    SlotTable slotTable = SlotTable::none;
    // Private stream 1 payload bytes before the stream's own: the test
    // that reads the substream id is made at the last of them.
    int headerBytes = 0;
    // The first stream of its slot in a run is found: "DD audio stream 3 found!".
    const char* foundName = "";
    // A stream box caption starts with it ("DD.stream.03"), for the ids of
    // `typeIds` only.
    const char* typeName = "";
    IdRange typeIds = kNoIds;
    // Where the packets of a stream id name their stream: private stream 1
    // and the extended stream id by a byte inside the packet.
    IdSpace inner = IdSpace::streamId;
    // For the subpicture test: the stream's "found!" line comes with the
    // pending PTS, which a scan then takes.
    bool firstPtsWhenFound = false;
    Renumbering renumber{};
};

// The stream id extensions of VC-1 video, slot 0 and slot 1.
inline constexpr int kVc1ExtensionSlot0 = 0x55;
inline constexpr int kVc1ExtensionSlot1 = 0x56;

// The first payload bytes of private stream 1 every audio substream has: its
// id, the number of frame headers and the 2-byte first access unit pointer.
inline constexpr int kAudioSubstreamHeader = 4;

// Within a space the rows do not overlap, so their order decides nothing.
inline constexpr std::array kStreamRules{
    // PES stream ids, as the start code names them.
    // MPEG-2 video: slot = id AND 1.
    StreamRule{.space = IdSpace::streamId, .ids = {0xE0, 0xE1}, .kind = StreamKind::Video,
               .codec = VideoCodec::Mpeg2, .slotTable = SlotTable::video,
               .foundName = "MPEG-2 video stream ", .typeName = "MPEG-2.stream", .typeIds = {0xE0, 0xE1},
               .renumber = {SlotTable::video, {0xE0, 0xE1}, 0xFE}},
    // H.264 video shares the two video slots: slot = id AND 1.
    StreamRule{.space = IdSpace::streamId, .ids = {0xE2, 0xE3}, .kind = StreamKind::Video,
               .codec = VideoCodec::H264, .slotTable = SlotTable::video,
               .foundName = "H.264 video stream ", .typeName = "H.264.stream", .typeIds = {0xE2, 0xE3},
               .renumber = {SlotTable::video, {0xE2, 0xE3}, 0xFE}},
    // Extended stream id (VC-1 video on HD DVD): the extension names the slot.
    StreamRule{.space = IdSpace::streamId, .ids = {0xFD, 0xFD}, .kind = StreamKind::Video,
               .codec = VideoCodec::Vc1, .inner = IdSpace::extension},
    // MPEG audio: parsed, but no slot, no line, no output file.
    StreamRule{.space = IdSpace::streamId, .ids = {0xC0, 0xCF}, .kind = StreamKind::MpegAudio,
               .renumber = {SlotTable::audio, {0xC0, 0xDF}, 0xF0}},
    // The other MPEG audio ids: the engine opens no packet for them, Rebuild
    // numbers them with the rest.
    StreamRule{.space = IdSpace::streamId, .ids = {0xD0, 0xDF}, .kind = StreamKind::None,
               .renumber = {SlotTable::audio, {0xC0, 0xDF}, 0xF8}},
    // Program stream map, padding, private stream 2 (navigation): passed over whole.
    StreamRule{.space = IdSpace::streamId, .ids = {0xBC, 0xBC}, .kind = StreamKind::Skipped},
    StreamRule{.space = IdSpace::streamId, .ids = {0xBE, 0xBF}, .kind = StreamKind::Skipped},
    // Private stream 1: the first payload byte names the audio or subpicture stream.
    StreamRule{.space = IdSpace::streamId, .ids = {0xBD, 0xBD}, .kind = StreamKind::PrivateStream1,
               .inner = IdSpace::substream},

    // VC-1 video by its stream id extension: the extension names slot 0 or 1.
    StreamRule{.space = IdSpace::extension, .ids = {kVc1ExtensionSlot0, kVc1ExtensionSlot1},
               .kind = StreamKind::Video, .codec = VideoCodec::Vc1, .slotTable = SlotTable::video,
               .foundName = "VC-1 video stream ", .typeName = "VC-1.stream",
               .typeIds = {kVc1ExtensionSlot0, kVc1ExtensionSlot1},
               .renumber = {SlotTable::video, {kVc1ExtensionSlot0, kVc1ExtensionSlot1}, 0, true}},

    // Private stream 1 substreams. Audio slot k (0 to 7) is shared by DD,
    // DTS-HD, LPCM, MLP and DD+; slots 8 to 15 are DD+ only.
    // Dolby Digital: slot = id AND 7.
    StreamRule{.space = IdSpace::substream, .ids = {0x80, 0x87}, .kind = StreamKind::Audio,
               .coding = AudioCoding::DD, .slotTable = SlotTable::audio, .headerBytes = 4,
               .foundName = "DD audio stream ", .typeName = "DD.stream", .typeIds = {0x80, 0x87},
               .renumber = {SlotTable::audio, {0x80, 0x87}, 0xF8}},
    // DTS-HD: slot = id AND 7.
    StreamRule{.space = IdSpace::substream, .ids = {0x88, 0x8F}, .kind = StreamKind::Audio,
               .coding = AudioCoding::DtsHd, .slotTable = SlotTable::audio, .headerBytes = 4,
               .foundName = "DTS HD audio stream ", .typeName = "DTSHD.stream", .typeIds = {0x88, 0x8F},
               .renumber = {SlotTable::audio, {0x88, 0x8F}, 0xF8}},
    // Dolby Digital Plus: sixteen ids, slot = id AND 0x0F.
    StreamRule{.space = IdSpace::substream, .ids = {0xC0, 0xCF}, .kind = StreamKind::Audio,
               .coding = AudioCoding::DDPlus, .slotTable = SlotTable::audio, .headerBytes = 4,
               .foundName = "DD+ audio stream ", .typeName = "DD+.stream", .typeIds = {0xC0, 0xCF},
               .renumber = {SlotTable::audio, {0xC0, 0xCF}, 0xF0}},
    // LPCM: three more header bytes (the audio frame information).
    StreamRule{.space = IdSpace::substream, .ids = {0xA0, 0xA7}, .kind = StreamKind::Audio,
               .coding = AudioCoding::Lpcm, .slotTable = SlotTable::audio, .headerBytes = 7,
               .foundName = "LPCM audio stream ", .typeName = "LPCM.stream", .typeIds = {0xA0, 0xA7},
               .renumber = {SlotTable::audio, {0xA0, 0xA7}, 0xF8}},
    // MLP: one more header byte.
    StreamRule{.space = IdSpace::substream, .ids = {0xB0, 0xB7}, .kind = StreamKind::Audio,
               .coding = AudioCoding::Mlp, .slotTable = SlotTable::audio, .headerBytes = 5,
               .foundName = "MLP audio stream ", .typeName = "MLP.stream", .typeIds = {0xB0, 0xB7},
               .renumber = {SlotTable::audio, {0xB0, 0xB7}, 0xF8}},
    // Subpicture: slot = id AND 0x1F; slots 16 to 31 have no box, so no type name.
    StreamRule{.space = IdSpace::substream, .ids = {0x20, 0x3F}, .kind = StreamKind::Subpicture,
               .slotTable = SlotTable::subpicture, .headerBytes = 1, .foundName = "Subpicture stream ",
               .typeName = "Subpicture", .typeIds = {0x20, 0x2F}, .firstPtsWhenFound = true,
               .renumber = {SlotTable::subpicture, {0x20, 0x3F}, 0xE0}},
    // Extended subpicture: shares the subpicture slots.
    StreamRule{.space = IdSpace::substream, .ids = {0x60, 0x7F}, .kind = StreamKind::Subpicture,
               .slotTable = SlotTable::subpicture, .headerBytes = 1,
               .foundName = "Extended subpicture stream ", .typeName = "Ext.Subpicture",
               .typeIds = {0x60, 0x6F}, .renumber = {SlotTable::subpicture, {0x60, 0x7F}, 0xE0}},
};

// For each id of a space the index of its row, so that the byte step finds
// a row with one look; kNoRule: the id has none.
inline constexpr std::uint8_t kNoRule = 0xFF;
using RuleIndex = std::array<std::uint8_t, 256>;

constexpr RuleIndex ruleIndex(IdSpace space) {
    RuleIndex index{};
    index.fill(kNoRule);
    for (std::size_t r = 0; r < kStreamRules.size(); ++r)
        if (kStreamRules[r].space == space)
            for (int id = kStreamRules[r].ids.low; id <= kStreamRules[r].ids.high; ++id)
                index[static_cast<std::size_t>(id)] = static_cast<std::uint8_t>(r);
    return index;
}

inline constexpr std::array<RuleIndex, kIdSpaces> kRuleIndex{
    ruleIndex(IdSpace::substream), ruleIndex(IdSpace::extension), ruleIndex(IdSpace::streamId)};

// The row of an id in its space, or nullptr.
constexpr const StreamRule* ruleOf(IdSpace space, int id) {
    if (id < 0 || id > 255) return nullptr;
    std::uint8_t r = kRuleIndex[static_cast<std::size_t>(space)][static_cast<std::size_t>(id)];
    return r == kNoRule ? nullptr : &kStreamRules[r];
}

// The row whose streams take the slots of `which` and whose ids hold the
// value such a slot holds, or nullptr.
constexpr const StreamRule* ruleOfSlotValue(SlotTable which, int value) {
    for (const StreamRule& rule : kStreamRules)
        if (rule.slotTable == which && rule.ids.holds(value)) return &rule;
    return nullptr;
}

constexpr int slotOf(const StreamRule& rule, int id) { return id - rule.ids.low; }

// By stream id: whether its start code opens a packet (and, with
// withFlagsOnly, one read with the PES flags bytes). One look for the idle
// scan, which tests every 0x01 byte it meets.
constexpr std::array<bool, 256> packetIds(bool withFlagsOnly) {
    std::array<bool, 256> opens{};
    for (int id = 0; id < 256; ++id) {
        // Through the row's index rather than ruleOf: GCC's UBSan will not
        // compare a pointer with null in a constant expression.
        std::uint8_t r = kRuleIndex[static_cast<std::size_t>(IdSpace::streamId)][static_cast<std::size_t>(id)];
        if (r == kNoRule) continue;
        StreamKind kind = kStreamRules[r].kind;
        opens[static_cast<std::size_t>(id)] =
            kind != StreamKind::None && (!withFlagsOnly || kind != StreamKind::Skipped);
    }
    return opens;
}
inline constexpr std::array<bool, 256> kOpensPacket = packetIds(false);
inline constexpr std::array<bool, 256> kHasPesFlags = packetIds(true);

// Stream ids whose start code opens a packet the parser follows.
constexpr bool isPacketStreamId(std::uint8_t id) { return kOpensPacket[id]; }

// Stream ids whose packets are read with the MPEG-2 PES header: every packet
// the parser follows but those it passes over whole (they have no flags bytes).
constexpr bool hasPesFlags(std::uint8_t id) { return kHasPesFlags[id]; }

// The rules the rows must keep: checked as the program is built.
constexpr int slotCount(SlotTable which) {
    switch (which) {
        case SlotTable::video: return kVideoSlots;
        case SlotTable::audio: return kAudioSlots;
        case SlotTable::subpicture: return kSubSlots;
        default: return 0;
    }
}

constexpr int boxCount(SlotTable which) {
    return which == SlotTable::subpicture ? kSubBoxSlots : slotCount(which);
}

constexpr bool rowsOfASpaceAreApart() {
    for (std::size_t i = 0; i < kStreamRules.size(); ++i)
        for (std::size_t j = i + 1; j < kStreamRules.size(); ++j) {
            const StreamRule& a = kStreamRules[i];
            const StreamRule& b = kStreamRules[j];
            if (a.space == b.space && a.ids.low <= b.ids.high && b.ids.low <= a.ids.high) return false;
        }
    return true;
}
static_assert(rowsOfASpaceAreApart(), "two rows of one space share an id");

constexpr bool idsFitTheirSlots() {
    for (const StreamRule& rule : kStreamRules)
        if (rule.slotTable != SlotTable::none && rule.ids.high - rule.ids.low >= slotCount(rule.slotTable))
            return false;
    return true;
}
static_assert(idsFitTheirSlots(), "a row has more ids than its table has slots");

// A type name starts a box caption: exactly the ids whose slot has a box get it.
constexpr bool typeNamesGoToBoxes() {
    for (const StreamRule& rule : kStreamRules) {
        if (rule.typeName[0] == 0) continue;
        int lastBoxed = rule.ids.low + boxCount(rule.slotTable) - 1;
        if (rule.typeIds.low != rule.ids.low ||
            rule.typeIds.high != (rule.ids.high < lastBoxed ? rule.ids.high : lastBoxed))
            return false;
    }
    return true;
}
static_assert(typeNamesGoToBoxes(), "a type name for ids without a box, or a boxed id without one");

// The subpicture test reads the first payload byte, the audio
// classification the last byte of the common audio header.
constexpr bool headersFitTheirTests() {
    for (const StreamRule& rule : kStreamRules) {
        if (rule.slotTable == SlotTable::subpicture && rule.headerBytes != 1) return false;
        if (rule.slotTable == SlotTable::audio && rule.headerBytes < kAudioSubstreamHeader) return false;
        if (rule.space != IdSpace::substream && rule.headerBytes != 0) return false;
    }
    return true;
}
static_assert(headersFitTheirTests(), "a substream header the byte step cannot drop");

}  // namespace strandex
