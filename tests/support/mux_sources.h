// The sources the muxing tests start from, laid out as on a disc in a
// temporary folder: the sample disc the built generator writes, and the
// real-streams fixture with its playlist. And ffprobe's start time of each
// stream of an EVO, the delays a muxed file must keep.
#pragma once
#include <map>
#include <string>

#include "support/pack_builder.h"

namespace strandex::test {

struct DiscFolder {
    std::string root;      // holds HVDVD_TS and ADV_OBJ
    std::string source;    // the first EVO of the feature
    std::string playlist;  // the XPL that names its title
    std::string out;       // an empty output folder beside them
};

// HVDVD_TS/FEATURE_1.EVO and FEATURE_2.EVO, ADV_OBJ/VPLST000.XPL.
DiscFolder sampleDisc(const TempDir& dir);

// HVDVD_TS/REAL_1.EVO and ADV_OBJ/REAL_EVO.XPL, copied from the fixtures.
DiscFolder realEvoDisc(const TempDir& dir);

// ffprobe's start time of each stream in milliseconds, by its id as
// ffprobe writes it ("0xc1", "0xfd55").
std::map<std::string, double> ffprobeStartsMs(const TempDir& work, const std::string& evo);

}  // namespace strandex::test
