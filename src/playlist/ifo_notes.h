// What the IFO reader says when the file does not hold what it points to:
// one line each, with the facts that could be read kept.
#pragma once
#include <cstddef>
#include <string>

namespace strandex {

// `what` names the part: "video attributes", "PGC 1" …
std::string ifoShortNote(const std::string& what, std::size_t at, std::size_t fileSize);
// A count above what the table holds: `kept` entries are read.
std::string ifoCountNote(const std::string& what, unsigned count, unsigned kept);
std::string ifoNoProgramsNote();
std::string ifoNoProgramChainNote();
// `cell` counts from 1; an unreadable time counts as 0.
std::string ifoBadCellTimeNote(unsigned cell);
std::string ifoBadDurationNote();
// A program whose entry cell is 0 or past the cell count: its chapter is left out.
std::string ifoBadEntryCellNote(unsigned program, unsigned cell);

}  // namespace strandex
