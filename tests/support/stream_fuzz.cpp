#include "support/stream_fuzz.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "engine/stream_table.h"

namespace strandex::test {

namespace {

// Room for packets in a pack after its 14-byte pack header.
constexpr std::size_t kPackRoom = kPackSize - 14;

constexpr std::array<std::uint8_t, 12> kStartCodeIds{0xE0, 0xE1, 0xE2, 0xE3, 0xFD, 0xC0,
                                                     0xBD, 0xBE, 0xBF, 0xBC, 0xBA, 0xBB};
constexpr std::array<std::uint8_t, 3> kFrameCodes{0x00, 0x09, 0x0D};

// Every value the engine may store in a slot that has a box or is reported.
std::vector<int> streamKeys() {
    std::vector<int> keys{0xE0, 0xE1, 0xE2, 0xE3, 0x55, 0x56};
    for (int id = 0x80; id <= 0x8F; ++id) keys.push_back(id);
    for (int id = 0xA0; id <= 0xA7; ++id) keys.push_back(id);
    for (int id = 0xB0; id <= 0xB7; ++id) keys.push_back(id);
    for (int id = 0xC0; id <= 0xCF; ++id) keys.push_back(id);
    for (int id = 0x20; id <= 0x3F; ++id) keys.push_back(id);
    for (int id = 0x60; id <= 0x7F; ++id) keys.push_back(id);
    return keys;
}

enum class SlotKind { None, Video, Audio, Sub };

// One planned packet: its PES fields before it is built, and the slot its
// identifying byte claims.
struct Plan {
    Bytes bytes;
    SlotKind kind = SlotKind::None;
    int key = -1;  // value stored in the slot table, -1 when none
    int slot = -1;
    std::size_t dataLength = 0;  // payload bytes after any substream header
};

std::uint8_t pick(Dice& dice, std::uint8_t lo, std::uint8_t hi) {
    return static_cast<std::uint8_t>(dice.between(lo, hi));
}

std::size_t dataLength(Dice& dice, std::size_t most) {
    std::size_t n = 0;
    switch (dice.below(4)) {
        case 0: n = dice.below(16); break;
        case 1: n = dice.below(400); break;
        case 2: n = dice.below(1900); break;
        default: n = dice.below(9000); break;
    }
    return std::min(n, most);
}

// A private stream 1 substream id that the engine does not recognise.
std::uint8_t unknownSubstream(Dice& dice) {
    switch (dice.below(6)) {
        case 0: return pick(dice, 0x00, 0x1F);
        case 1: return pick(dice, 0x40, 0x5F);
        case 2: return pick(dice, 0x90, 0x9F);
        case 3: return pick(dice, 0xA8, 0xAF);
        case 4: return pick(dice, 0xB8, 0xBF);
        default: return pick(dice, 0xD0, 0xFF);
    }
}

void randomTimestamps(Dice& dice, Pes& pes) {
    if (dice.chance(55)) pes.pts = (std::uint64_t{dice.below(2)} << 32) | dice.below(0xFFFFFFFF);
    if (pes.pts && dice.chance(45)) pes.dts = *pes.pts - dice.below(9000);
}

// A packet of any kind the parser knows, or one of the start codes it
// passes over. `fill` makes the payload data of the stream with a key.
template <typename Fill>
Plan randomPacket(Dice& dice, std::size_t most, Fill fill) {
    Plan plan;
    Pes pes;
    randomTimestamps(dice, pes);
    pes.pstd = dice.chance(10);
    pes.stuffing = dice.chance(20) ? static_cast<int>(dice.below(5)) : 0;
    // About one packet in forty with a PTS is scrambled. Decided by the PTS
    // rather than by the die, which leaves every other byte of a seed's
    // stream as it is.
    if (pes.pts && *pes.pts % 40 == 7) pes.scrambling = static_cast<std::uint8_t>(1 + (*pes.pts >> 8) % 3);
    std::size_t n = dataLength(dice, most);
    std::uint32_t roll = dice.below(100);
    if (roll < 22) {  // MPEG-2 and H.264 video
        pes.streamId = pick(dice, 0xE0, 0xE3);
        plan = {{}, SlotKind::Video, pes.streamId, pes.streamId & 1, n};
        pes.payload = fill(plan.key, n);
    } else if (roll < 36) {  // VC-1: extension 55 or 56, or one that is no stream of ours
        pes.streamId = 0xFD;
        std::uint32_t which = dice.below(10);
        if (which < 4) pes.streamIdExtension = 0x55;
        else if (which < 7) pes.streamIdExtension = 0x56;
        else if (which < 8) pes.streamIdExtension = 0x57;
        else if (which < 9) pes.streamIdExtension = pick(dice, 0x00, 0x7F);
        int e = pes.streamIdExtension ? *pes.streamIdExtension : -1;
        if (e == 0x55 || e == 0x56)
            plan = {{}, SlotKind::Video, e, e - 0x55, n};
        pes.payload = fill(plan.key, n);
    } else if (roll < 70) {  // private stream 1
        pes.streamId = 0xBD;
        pes.pstd = false;
        std::uint32_t sub = dice.below(8);
        std::uint8_t id = 0;
        if (sub == 0) {
            id = dice.chance(50) ? pick(dice, 0x20, 0x3F) : pick(dice, 0x60, 0x7F);
            plan = {{}, SlotKind::Sub, id, id & 0x1F, n};
            pes.payload = subpicturePayload(id, fill(id, n));
        } else if (sub <= 5) {
            std::uint32_t coding = dice.below(5);
            if (coding == 0) id = pick(dice, 0x80, 0x87);
            if (coding == 1) id = pick(dice, 0x88, 0x8F);
            if (coding == 2) id = pick(dice, 0xA0, 0xA7);
            if (coding == 3) id = pick(dice, 0xB0, 0xB7);
            if (coding == 4) id = pick(dice, 0xC0, 0xCF);
            int slot = (id & 0xF0) == 0xC0 || (id & 0xF8) == 0xA0 ? id & 0x0F : id & 7;
            plan = {{}, SlotKind::Audio, id, slot, n};
            Bytes data = fill(id, n);
            pes.payload = coding == 2   ? lpcmPayload(id, data)
                          : coding == 3 ? mlpPayload(id, data)
                                        : ac3Payload(id, data);
        } else {
            pes.payload = ac3Payload(unknownSubstream(dice), fill(-1, n));
        }
    } else if (roll < 80) {  // MPEG audio
        pes.streamId = pick(dice, 0xC0, 0xCF);
        pes.payload = fill(-1, n);
    } else if (roll < 87) {
        plan.bytes = paddingPacket(6 + n);
        return plan;
    } else if (roll < 93) {
        plan.bytes = navigationPacket(fill(-1, n));
        return plan;
    } else if (roll < 96) {  // program stream map
        plan.bytes = Bytes{0x00, 0x00, 0x01, 0xBC, static_cast<std::uint8_t>(n >> 8),
                           static_cast<std::uint8_t>(n)} +
                     fill(-1, n);
        return plan;
    } else {  // start codes the parser does not follow
        plan.bytes = dice.chance(50) ? systemHeader(static_cast<int>(dice.below(64)),
                                                    static_cast<int>(dice.below(32)))
                                     : programEnd();
        return plan;
    }
    plan.bytes = pesPacket(pes);
    return plan;
}

void breakPacket(Dice& dice, Bytes& p) {
    switch (dice.below(6)) {
        case 0:  // zero length
            if (p.size() >= 6) p[4] = p[5] = 0;
            break;
        case 1:  // a random length, often too short for the header
            if (p.size() >= 6) {
                std::uint32_t len = dice.chance(50) ? dice.below(12) : dice.below(65536);
                p[4] = static_cast<std::uint8_t>(len >> 8);
                p[5] = static_cast<std::uint8_t>(len);
            }
            break;
        case 2:  // a header data length that does not match the fields
            if (p.size() >= 9) p[8] = dice.chance(60) ? static_cast<std::uint8_t>(dice.below(5)) : dice.byte();
            break;
        case 3:  // cut short
            p.resize(dice.below(static_cast<std::uint32_t>(p.size())));
            break;
        case 4:  // random flags
            if (p.size() >= 8) p[7] = dice.byte();
            break;
        default:  // any byte of the header, the substream bytes included
            if (!p.empty()) p[dice.below(static_cast<std::uint32_t>(std::min<std::size_t>(p.size(), 24)))] = dice.byte();
            break;
    }
}

void damage(Dice& dice, Bytes& s) {
    if (s.empty()) return;
    std::size_t flips = dice.below(static_cast<std::uint32_t>(s.size() / 3000 + 2));
    for (std::size_t k = 0; k < flips; ++k)
        s[dice.below(static_cast<std::uint32_t>(s.size()))] ^= static_cast<std::uint8_t>(1u << dice.below(8));
    // Start codes and packet heads laid across each block boundary, cut
    // after any of their bytes.
    for (std::size_t boundary = kBlockSize; boundary < s.size(); boundary += kBlockSize) {
        if (!dice.chance(80)) continue;
        Bytes code{0x00, 0x00, 0x01, kStartCodeIds[dice.below(kStartCodeIds.size())]};
        if (dice.chance(50)) code += {0x00, static_cast<std::uint8_t>(dice.below(40)), 0x81, 0x80, 0x05};
        std::size_t at = boundary - std::min<std::size_t>(boundary, dice.below(static_cast<std::uint32_t>(code.size() + 1)));
        for (std::size_t k = 0; k < code.size() && at + k < s.size(); ++k) s[at + k] = code[k];
    }
}

Bytes garbage(Dice& dice, bool damaged) {
    std::size_t n = dice.below(dice.chance(80) ? 64 : 3000);
    Bytes g = dice.chance(50) ? randomBytes(n, dice.below(1u << 31)) : startCodeRichBytes(dice, n);
    if (damaged && dice.chance(30))
        for (std::size_t k = dice.between(1, 40); k > 0; --k) g += {0x00, 0x00, 0x01};
    if (!damaged)  // no start code may hide in garbage between sound packets
        for (std::size_t k = 2; k < g.size(); ++k)
            if (g[k] == 0x01 && g[k - 1] == 0x00 && g[k - 2] == 0x00) g[k] = 0x02;
    if (!damaged && g.size() >= 2 && g[g.size() - 1] == 0x00 && g[g.size() - 2] == 0x00)
        g.back() = 0x02;  // nor across its end, with the 01 of the next packet
    return g;
}

// The stream itself: packs of small packets, loose packets that cross
// pack and block boundaries, and garbage between them.
template <typename Fill, typename Note>
Bytes assemble(Dice& dice, std::size_t targetSize, bool damaged, Fill fill, Note note) {
    Bytes s;
    if (targetSize >= kPackSize && dice.chance(40)) s += pack({systemHeader(static_cast<int>(dice.below(64)), static_cast<int>(dice.below(32)))});
    while (s.size() < targetSize) {
        std::uint32_t roll = dice.below(100);
        if (roll < 50) {
            std::vector<Bytes> packets;
            std::size_t used = 0;
            for (std::size_t k = dice.between(1, 3); k > 0; --k) {
                Plan p = randomPacket(dice, 600, fill);
                if (used + p.bytes.size() > kPackRoom) break;
                used += p.bytes.size();
                note(p);
                packets.push_back(p.bytes);
            }
            s += pack(packets);
        } else if (roll < 90) {
            Plan p = randomPacket(dice, 60000, fill);
            if (damaged && dice.chance(30)) breakPacket(dice, p.bytes);
            else note(p);
            s += p.bytes;
        } else {
            s += garbage(dice, damaged);
        }
    }
    return s;
}

}  // namespace

Bytes startCodeRichBytes(Dice& dice, std::size_t n) {
    Bytes out;
    out.reserve(n + 8);
    while (out.size() < n) {
        std::uint32_t roll = dice.below(10);
        if (roll < 3) {
            out.push_back(0x00);
        } else if (roll < 4) {
            out.push_back(0x01);
        } else if (roll < 6) {
            out += {0x00, 0x00, 0x01};
            out.push_back(dice.chance(50) ? kFrameCodes[dice.below(kFrameCodes.size())]
                                          : kStartCodeIds[dice.below(kStartCodeIds.size())]);
        } else if (roll < 7) {
            out.push_back(kFrameCodes[dice.below(kFrameCodes.size())]);
        } else {
            out.push_back(dice.byte());
        }
    }
    out.resize(n);
    return out;
}

Bytes randomProgramStream(Dice& dice, std::size_t targetSize, bool damaged) {
    auto fill = [&dice](int, std::size_t n) { return startCodeRichBytes(dice, n); };
    Bytes s = assemble(dice, targetSize, damaged, fill, [](const Plan&) {});
    if (damaged) {
        damage(dice, s);
        if (dice.chance(25)) s.resize(targetSize);  // often an exact multiple of the block
    }
    return s;
}

std::uint8_t streamTag(int key) {
    static const std::map<int, std::uint8_t> tags = [] {
        std::map<int, std::uint8_t> m;
        int tag = 1;
        for (int k : streamKeys()) {
            if (tag == 0x53) ++tag;
            m[k] = static_cast<std::uint8_t>(tag++);
        }
        return m;
    }();
    auto it = tags.find(key);
    return it == tags.end() ? kUnwrittenTag : it->second;
}

TaggedStream taggedProgramStream(Dice& dice, std::size_t targetSize) {
    TaggedStream t;
    auto fill = [](int key, std::size_t n) { return repeat(streamTag(key), n); };
    auto note = [&t](const Plan& p) {
        if (p.kind == SlotKind::None) return;
        t.payloadBytes[p.key] += p.dataLength;
        auto& first = p.kind == SlotKind::Video   ? t.firstInVideoSlot
                      : p.kind == SlotKind::Audio ? t.firstInAudioSlot
                                                  : t.firstInSubSlot;
        first.emplace(p.slot, p.key);  // the first claim of a slot stays
    };
    t.bytes = assemble(dice, targetSize, false, fill, note);
    return t;
}

}  // namespace strandex::test
