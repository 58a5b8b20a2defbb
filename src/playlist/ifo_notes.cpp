#include "playlist/ifo_notes.h"

namespace strandex {

std::string ifoShortNote(const std::string& what, std::size_t at, std::size_t fileSize) {
    return "IFO: " + what + " at byte " + std::to_string(at) + " lies past the file's end (" +
           std::to_string(fileSize) + " bytes): not read";
}

std::string ifoCountNote(const std::string& what, unsigned count, unsigned kept) {
    return "IFO: " + std::to_string(count) + " " + what + " given, at most " + std::to_string(kept) +
           " read";
}

std::string ifoNoProgramsNote() { return "IFO: PGC 1 has no programs: no chapters"; }

std::string ifoNoProgramChainNote() { return "IFO: the title set has no program chain: no title"; }

std::string ifoBadCellTimeNote(unsigned cell) {
    return "IFO: cell " + std::to_string(cell) + " has no valid playback time: counted as 0";
}

std::string ifoBadDurationNote() { return "IFO: PGC 1 has no valid playback time: no duration"; }

std::string ifoBadEntryCellNote(unsigned program, unsigned cell) {
    return "IFO: program " + std::to_string(program) + " starts at cell " + std::to_string(cell) +
           ", which PGC 1 does not have: its chapter left out";
}

}  // namespace strandex
