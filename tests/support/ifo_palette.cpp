#include "support/ifo_palette.h"

#include <stdexcept>

#include "support/pack_builder.h"

namespace strandex::test {

namespace {

constexpr std::size_t kPgciSectorPointer = 0xCC;  // VTS_PGCI, in 2048-byte sectors
constexpr std::size_t kFirstPgcOffset = 8 + 4;    // after the table's header, the first entry's offset
constexpr std::size_t kColourTable = 0xA4;

std::uint32_t be32(const Bytes& b, std::size_t at) {
    if (at + 4 > b.size()) throw std::runtime_error("IFO too short");
    return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) | (std::uint32_t{b[at + 2]} << 8) |
           b[at + 3];
}

}  // namespace

std::array<std::uint32_t, 16> ifoPalette(const std::string& ifoPath) {
    Bytes ifo = readFile(ifoPath);
    std::size_t pgci = std::size_t{be32(ifo, kPgciSectorPointer)} * 2048;
    std::size_t pgc = pgci + be32(ifo, pgci + kFirstPgcOffset);
    std::array<std::uint32_t, 16> palette{};
    for (std::size_t k = 0; k < palette.size(); ++k) palette[k] = be32(ifo, pgc + kColourTable + 4 * k);
    return palette;
}

}  // namespace strandex::test
