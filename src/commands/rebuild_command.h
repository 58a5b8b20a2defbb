#pragma once
#include "commands/rebuild_numbering.h"
#include "engine/session.h"

namespace strandex {

// "Rebuild": a copy of the source EVO without the packs of unticked
// streams, the kept streams renumbered, FEATURE_2.EVO appended when the
// source is FEATURE_1.EVO.
void bRebuildClick(Session& session);

// The pack loop over SourceStream, appending kept packs to out.
void Rebuild(Session& session, RebuildNumbering& numbering, OutputFile& out);

}  // namespace strandex
