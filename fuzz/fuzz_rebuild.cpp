// The Rebuild pack rule. The input's first bytes set the scene: bytes 0-4
// tick the 34 slot boxes (one bit each, in box order), bytes 5-38 are the
// ids found in the video (2), audio (16) and subpicture (16) slots, 0xFF
// standing for an empty slot. The rest is cut into 2048-byte packs, the
// last one short, each handed over as an exact-size heap copy; the packs
// share one numbering, as in a run.
//
// Checked: no byte beyond a pack's n is read or written (AddressSanitizer);
// only the system header's bound bytes (23, 24), the stream id (17) and the
// stream-naming byte may change; a pack that is not a pack start is never
// kept; a short pack of up to 17 bytes is left as it is; every number given
// stays within the kind of the id it replaces, and no two ids of one id
// space are given the same number.
#include <algorithm>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "cli/memory_front_end.h"
#include "commands/rebuild_packs.h"
#include "fuzz_common.h"

using namespace strandex;
using namespace strandex::fuzz;

namespace {

constexpr std::size_t kSceneBytes = 39;

std::int32_t idFrom(std::uint8_t b) { return b == 0xFF ? -1 : b; }

// DD+ substreams (0xC0-0xCF) and MPEG audio stream ids (0xC0-0xDF) meet
// in their values but are numbered in spaces of their own.
bool sameKind(int id, int number, IdSpace space) {
    auto within = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    const int ranges[][2] = {{0x55, 0x56}, {0xE0, 0xE1}, {0xE2, 0xE3}, {0x80, 0x87}, {0x88, 0x8F},
                             {0xA0, 0xA7}, {0xB0, 0xB7}, {0x20, 0x3F}, {0x60, 0x7F}};
    for (const auto& r : ranges)
        if (within(id, r[0], r[1])) return within(number, r[0], r[1]);
    if (space == IdSpace::substream && within(id, 0xC0, 0xCF)) return within(number, 0xC0, 0xCF);
    if (space == IdSpace::streamId && within(id, 0xC0, 0xDF)) return within(number, 0xC0, 0xDF);
    return number == id;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < kSceneBytes || size > 1 << 18) return 0;
    MemoryFrontEnd ui;
    static StreamTable& table = *new StreamTable;  // made once: its read buffer is large
    int bit = 0;
    auto tick = [&](Box box) {
        ui.setBoxEnabled(box, true);  // a box that stands for a stream
        ui.setTicked(box, (data[bit / 8] >> (bit % 8)) & 1);
        ++bit;
    };
    for (int n = 0; n < 2; ++n) tick(videoBox(n));
    for (int n = 0; n < 16; ++n) tick(audioBox(n));
    for (int n = 0; n < 16; ++n) tick(subBox(n));
    const std::uint8_t* ids = data + 5;
    for (std::size_t n = 0; n < 2; ++n) table.VideoIds[n] = idFrom(ids[n]);
    for (std::size_t n = 0; n < 16; ++n) table.AudioIds[n] = idFrom(ids[2 + n]);
    for (std::size_t n = 0; n < 16; ++n) table.SubpictureIds[n] = idFrom(ids[18 + n]);

    RebuildNumbering numbering;
    const std::uint8_t* packs = data + kSceneBytes;
    std::size_t total = size - kSceneBytes;
    for (std::size_t at = 0; at < total; at += kPackSize) {
        std::size_t n = std::min(kPackSize, total - at);
        std::unique_ptr<std::uint8_t[]> pack(new std::uint8_t[n]);
        std::copy(packs + at, packs + at + n, pack.get());
        bool kept = rebuildPack(pack.get(), n, table, ui, numbering);
        const std::uint8_t* before = packs + at;
        bool packStart = n >= 4 && before[0] == 0 && before[1] == 0 && before[2] == 1 && before[3] == 0xBA;
        require(!kept || packStart, "a pack that is no pack start is kept");
        if (n <= 17) require(std::equal(before, before + n, pack.get()), "a short pack was changed");
        std::size_t naming = n > 22 ? (before[17] == 0xBD ? 23u : 22u) + before[22] : n;
        for (std::size_t k = 0; k < n; ++k) {
            if (pack[k] == before[k]) continue;
            bool allowed = k == 17 || k == 23 || k == 24 || k == naming;
            require(allowed, "pack byte " + std::to_string(k) + " changed from " + std::to_string(before[k]) +
                                 " to " + std::to_string(pack[k]));
        }
    }
    for (std::size_t s = 0; s < kIdSpaces; ++s) {
        const SpaceNumbers& space = numbering.spaces[s];
        std::bitset<256> given;
        for (int v = 0; v < 256; ++v) {
            std::uint8_t number = space.NewIds[static_cast<std::size_t>(v)];
            if (number == SpaceNumbers::kNone) continue;
            require(sameKind(v, number, static_cast<IdSpace>(s)),
                    "id " + std::to_string(v) + " is given the number " + std::to_string(number) + " of another kind");
            require(!given[number], "two ids of one space are given the number " + std::to_string(number));
            given.set(number);
        }
    }
    return 0;
}
