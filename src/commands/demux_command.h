#pragma once
#include <cstdint>
#include <string>

#include "engine/session.h"

namespace strandex {

// "Demux": one output file per selected (enabled and ticked) stream box, the engine in write mode,
// and the second part of a split feature (FEATURE_2.EVO) appended.
void bDemuxClick(Session& session);

// The error that stops Demux before it makes any file, when two selected
// boxes would give their streams one file.
std::string sharedOutputMessage(const std::string& path);

// The second part of a feature whose first part is the source, or an empty
// text when the source's name does not end in "_1.EVO".
std::string secondPartPath(const std::string& sourcePath, const std::string& sourceName);

// The output folder and base name every output name starts with, with "_2"
// when the run will go on into the second part of the feature, whose path
// is left in `second` (empty when the option is off or the source's name
// does not end in "_1.EVO").
std::string demuxPrefix(Session& session, std::string& second);

}  // namespace strandex
