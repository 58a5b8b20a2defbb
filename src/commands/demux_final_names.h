// The names Demux's files end with, once the streams are written and the
// files closed: a file named by codec whose stream showed another coding
// is renamed, and a DVD subpicture stream becomes a VobSub .sub and .idx.
#pragma once
#include <vector>

#include "commands/demux_output_plan.h"
#include "engine/session.h"

namespace strandex {

// Each written stream's file in its facts, under its final name.
void nameWrittenFiles(Session& session, const std::vector<PlannedOutput>& planned, bool codecFiles);

}  // namespace strandex
