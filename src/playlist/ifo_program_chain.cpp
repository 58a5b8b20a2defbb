#include "playlist/ifo_program_chain.h"

#include "playlist/ifo_layout.h"
#include "playlist/ifo_notes.h"

namespace strandex {

namespace {

// The byte where PGC 1 starts; nothing when the tables that lead to it
// are not in the file.
std::optional<std::size_t> firstChainAt(const IfoBytes& bytes, std::vector<std::string>& notes) {
    auto sector = bytes.u32(ifo::kPgciSector);
    if (!sector) {
        notes.push_back(ifoShortNote("program chain table pointer", ifo::kPgciSector, bytes.size()));
        return std::nullopt;
    }
    const std::size_t table = static_cast<std::size_t>(*sector) * ifo::kSectorSize;
    auto count = bytes.u16(table + ifo::kPgciCount);
    if (!count) {
        notes.push_back(ifoShortNote("program chain table", table, bytes.size()));
        return std::nullopt;
    }
    if (*count == 0) {
        notes.push_back(ifoNoProgramChainNote());
        return std::nullopt;
    }
    const std::size_t entry = table + ifo::kPgciFirstEntry + ifo::kPgciEntryOffset;
    auto offset = bytes.u32(entry);
    if (!offset) {
        notes.push_back(ifoShortNote("program chain table", entry, bytes.size()));
        return std::nullopt;
    }
    const std::size_t chain = table + *offset;
    if (!bytes.holds(chain, ifo::kPgcCellPlayback + 2)) {
        notes.push_back(ifoShortNote("PGC 1", chain, bytes.size()));
        return std::nullopt;
    }
    return chain;
}

void readPalette(const IfoBytes& bytes, std::size_t chain, IfoProgramChain& pgc) {
    for (std::size_t k = 0; k < ifo::kPaletteEntries; ++k) pgc.palette[k] = *bytes.u32(chain + ifo::kPgcPalette + 4 * k);
    pgc.hasPalette = true;
}

// The start of each cell, from the chain's start: the sums of the playback
// times before it. One entry more than the cells read: the end of the last.
std::vector<IfoTime> cellStarts(const IfoBytes& bytes, std::size_t chain, unsigned cells,
                                std::vector<std::string>& notes) {
    const std::size_t table = chain + *bytes.u16(chain + ifo::kPgcCellPlayback);
    unsigned kept = cells;
    while (kept > 0 && !bytes.holds(table, kept * ifo::kCellEntry)) --kept;
    if (kept < cells) notes.push_back(ifoShortNote("cell playback table", table + kept * ifo::kCellEntry, bytes.size()));
    std::vector<IfoTime> starts{IfoTime{}};
    for (unsigned c = 0; c < kept; ++c) {
        IfoTime next = starts.back();
        auto time = ifoTime(*bytes.u32(table + c * ifo::kCellEntry + ifo::kCellPlaybackTime));
        if (time)
            next += *time;
        else
            notes.push_back(ifoBadCellTimeNote(c + 1));
        starts.push_back(next);
    }
    return starts;
}

void readChapters(const IfoBytes& bytes, std::size_t chain, IfoProgramChain& pgc, std::vector<std::string>& notes) {
    const unsigned programs = *bytes.u8(chain + ifo::kPgcPrograms);
    if (programs == 0) {
        notes.push_back(ifoNoProgramsNote());
        return;
    }
    const std::size_t map = chain + *bytes.u16(chain + ifo::kPgcProgramMap);
    if (!bytes.holds(map, programs)) {
        notes.push_back(ifoShortNote("program map", map, bytes.size()));
        return;
    }
    const std::vector<IfoTime> starts = cellStarts(bytes, chain, *bytes.u8(chain + ifo::kPgcCells), notes);
    const unsigned cellsRead = static_cast<unsigned>(starts.size() - 1);
    for (unsigned p = 0; p < programs; ++p) {
        const unsigned cell = *bytes.u8(map + p);
        if (cell == 0 || cell > cellsRead) {
            notes.push_back(ifoBadEntryCellNote(p + 1, cell));
            continue;
        }
        pgc.chapters.push_back({starts[cell - 1]});
    }
}

}  // namespace

IfoProgramChain readFirstProgramChain(const IfoBytes& bytes, std::vector<std::string>& notes) {
    IfoProgramChain pgc;
    std::optional<std::size_t> chain = firstChainAt(bytes, notes);
    if (!chain) return pgc;
    pgc.read = true;
    auto duration = ifoTime(*bytes.u32(*chain + ifo::kPgcPlaybackTime));
    pgc.hasDuration = duration.has_value();
    if (duration)
        pgc.duration = *duration;
    else
        notes.push_back(ifoBadDurationNote());
    readPalette(bytes, *chain, pgc);
    readChapters(bytes, *chain, pgc, notes);
    return pgc;
}

}  // namespace strandex
