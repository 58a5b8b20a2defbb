// What Demux writes besides its streams, as the options ask: muxing into an
// MKV needs the mux plan, and the plan needs files named by codec and the
// title's chapters.
#pragma once
#include "engine/session.h"

namespace strandex {

inline bool muxMkvWanted(const Session& s) { return s.ui.ticked(Box::cbMuxMkv); }
inline bool muxPlanWanted(const Session& s) { return s.writeMuxPlan || muxMkvWanted(s); }
inline bool codecFilesWanted(const Session& s) { return s.ui.ticked(Box::cbCodecFiles) || muxPlanWanted(s); }
inline bool chaptersWanted(const Session& s) { return s.writeChapters || muxPlanWanted(s); }

}  // namespace strandex
