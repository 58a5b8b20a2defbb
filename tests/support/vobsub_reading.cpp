#include "support/vobsub_reading.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace strandex::test {

namespace {

[[noreturn]] void fail(const std::string& what, std::size_t at) {
    throw std::runtime_error(what + " at " + std::to_string(at));
}

std::size_t be16(const Bytes& b, std::size_t at) { return (std::size_t{b.at(at)} << 8) | b.at(at + 1); }

bool startCode(const Bytes& b, std::size_t at, std::uint8_t id) {
    return at + 4 <= b.size() && b[at] == 0 && b[at + 1] == 0 && b[at + 2] == 1 && b[at + 3] == id;
}

std::uint32_t ptsAt(const Bytes& b, std::size_t at) {
    std::uint64_t t = (std::uint64_t{b[at]} >> 1 & 0x07) << 30 | std::uint64_t{b[at + 1]} << 22 |
                      (std::uint64_t{b[at + 2]} >> 1) << 15 | std::uint64_t{b[at + 3]} << 7 | b[at + 4] >> 1;
    return static_cast<std::uint32_t>(t);
}

SubPack readPack(const Bytes& sub, std::size_t at) {
    SubPack pack;
    pack.offset = at;
    if (!startCode(sub, at, 0xBA) || (sub[at + 4] & 0xC0) != 0x40) fail("no MPEG-2 pack header", at);
    std::size_t p = at + 14 + (sub[at + 13] & 0x07);
    if (!startCode(sub, p, 0xBD)) fail("no private stream 1 packet", p);
    std::size_t end = p + 6 + be16(sub, p + 4);
    std::size_t headerData = sub.at(p + 8);
    pack.hasPts = (sub.at(p + 7) & 0x80) != 0;
    if (pack.hasPts) pack.pts = ptsAt(sub, p + 9);
    std::size_t substream = p + 9 + headerData;
    pack.substream = sub.at(substream);
    if ((pack.substream & 0xE0) != 0x20) fail("no subpicture substream", substream);
    if (end > at + 2048) fail("packet past the pack", p);
    pack.payload.assign(sub.begin() + static_cast<std::ptrdiff_t>(substream + 1),
                        sub.begin() + static_cast<std::ptrdiff_t>(end));
    if (end == at + 2048) return pack;
    if (!startCode(sub, end, 0xBE) || end + 6 + be16(sub, end + 4) != at + 2048) fail("no padding to 2048", end);
    return pack;
}

}  // namespace

std::vector<SubPack> readSubPacks(const Bytes& sub) {
    if (sub.size() % 2048 != 0) fail("a .sub of a size no multiple of 2048", sub.size());
    std::vector<SubPack> packs;
    for (std::size_t at = 0; at < sub.size(); at += 2048) packs.push_back(readPack(sub, at));
    return packs;
}

std::vector<Bytes> unitsOf(const Bytes& stream) {
    std::vector<Bytes> units;
    for (std::size_t at = 0; at < stream.size();) {
        std::size_t size = at + 2 <= stream.size() ? be16(stream, at) : 0;
        if (size < 2 || at + size > stream.size()) fail("a unit cut short", at);
        units.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                           stream.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    }
    return units;
}

std::vector<Bytes> unitsOfSup(const Bytes& sup) {
    Bytes stream;
    for (std::size_t at = 0; at < sup.size();) {
        if (at + 10 > sup.size() || sup[at] != 'S' || sup[at + 1] != 'P') fail("no SP header", at);
        at += 10;
        std::size_t size = be16(sup, at);
        if (size < 2 || at + size > sup.size()) fail("a unit cut short", at);
        stream.insert(stream.end(), sup.begin() + static_cast<std::ptrdiff_t>(at),
                      sup.begin() + static_cast<std::ptrdiff_t>(at + size));
        at += size;
    }
    return unitsOf(stream);
}

IdxFile parseIdx(const std::string& text) {
    IdxFile idx;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        unsigned h = 0, m = 0, s = 0, ms = 0;
        unsigned long long pos = 0;
        char language[8] = {};
        if (line.rfind("size: ", 0) == 0) {
            if (std::sscanf(line.c_str(), "size: %dx%d", &idx.width, &idx.height) != 2) fail("size: " + line, 0);
        } else if (line.rfind("palette: ", 0) == 0) {
            std::istringstream colours(line.substr(9));
            std::string colour;
            while (std::getline(colours, colour, ',')) idx.palette.push_back(static_cast<std::uint32_t>(std::stoul(colour, nullptr, 16)));
        } else if (line.rfind("id: ", 0) == 0) {
            if (std::sscanf(line.c_str(), "id: %7[^,], index: %d", language, &idx.index) != 2) fail("id: " + line, 0);
            idx.language = language;
        } else if (line.rfind("timestamp: ", 0) == 0) {
            if (std::sscanf(line.c_str(), "timestamp: %u:%u:%u:%u, filepos: %llx", &h, &m, &s, &ms, &pos) != 5)
                fail("timestamp: " + line, 0);
            idx.entries.push_back({((std::int64_t{h} * 60 + m) * 60 + s) * 1000 + ms, pos});
        }
    }
    return idx;
}

}  // namespace strandex::test
