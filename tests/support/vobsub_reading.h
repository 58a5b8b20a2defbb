// Test-only readers of what a VobSub pair and a .sup hold: the packs of a
// .sub checked strictly (2048 bytes, a pack header, one private stream 1
// packet of a subpicture substream, padding or stuffing that fills it),
// the units of a payload by their 16-bit sizes, and the .idx lines.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/pack_builder.h"

namespace strandex::test {

struct SubPack {
    std::size_t offset = 0;
    bool hasPts = false;
    std::uint32_t pts = 0;
    std::uint8_t substream = 0;
    Bytes payload;
};

// Throws std::runtime_error, naming the offset, at a pack that is not one.
std::vector<SubPack> readSubPacks(const Bytes& sub);

// The units of a stream of DVD units one after another; throws when the
// last one is cut short.
std::vector<Bytes> unitsOf(const Bytes& stream);
// The units of a .sup of DVD units, each led by its "SP" header.
std::vector<Bytes> unitsOfSup(const Bytes& sup);

struct IdxEntry {
    std::int64_t ms = 0;
    std::uint64_t filepos = 0;
};
struct IdxFile {
    int width = 0, height = 0;
    std::vector<std::uint32_t> palette;
    std::string language;
    int index = -1;
    std::vector<IdxEntry> entries;
};
// Throws on a line of a known key that does not parse.
IdxFile parseIdx(const std::string& text);

}  // namespace strandex::test
