// The title set's first program chain (PGC 1): its playback time, its
// chapters (one a program, starting where its first cell starts) and its
// subpicture colour table.
#pragma once
#include <string>
#include <vector>

#include "playlist/ifo_bytes.h"
#include "playlist/ifo_title_set.h"

namespace strandex {

// What could be read; a line in `notes` for each thing that could not.
IfoProgramChain readFirstProgramChain(const IfoBytes& bytes, std::vector<std::string>& notes);

}  // namespace strandex
