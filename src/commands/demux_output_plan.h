// The files Demux will write, planned before the source is opened: one per
// selected box, named by caption or, for "Name files by codec", by the
// coding it is expected to carry; and the WAV and VobSub writers armed for
// the files named by codec.
#pragma once
#include <string>
#include <vector>

#include "engine/front_end.h"
#include "engine/session.h"
#include "engine/stream_facts.h"

namespace strandex {

struct PlannedOutput {
    Box box;
    std::string name;
    // Files named by codec: the name less its extension. The coding it
    // was planned by lives on only in the name; the stream's facts hold
    // the coding it showed.
    std::string stem;
};

// What Demux knows of the streams before it runs, for files named by
// codec: the facts of the command before when it read this source.
struct EarlierFacts {
    bool codecFiles = false;
    StreamFacts facts;
    bool ofThisSource = false;
};

EarlierFacts earlierFacts(const Session& session);

// The file of every selected box, in box order; throws the shared output
// error when two of them would be one file.
std::vector<PlannedOutput> planOutputs(const Session& session, const EarlierFacts& earlier,
                                       const std::string& prefix);

// LPCM goes to WAV, and DVD subpictures to VobSub, only for the files
// this Demux names by codec.
void armCodecOutputs(Session& session, const std::vector<PlannedOutput>& planned, bool codecFiles);

}  // namespace strandex
