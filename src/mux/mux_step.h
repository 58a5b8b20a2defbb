// What Demux does after its streams when a mux plan or an MKV is asked
// for: the plan written beside the streams, the streams it leaves out
// logged, and mkvmerge run on it, the files that went into the MKV then
// removed unless they are to be kept.
#pragma once
#include <string>

#include "engine/session.h"
#include "mux/mux_plan.h"

namespace strandex {

// Before anything is read or written: muxing needs mkvmerge. Returns its
// path (empty when no MKV is asked for); raises FileError with
// "Muxing needs mkvmerge (Debian package mkvtoolnix)." when it is missing.
std::string muxerForDemux(const Session& session);

// Plans the MKV of what Demux wrote and writes OUT/BASE.mkvmerge.json,
// with a "Creating PATH" line like the streams'.
MuxPlan writeMuxPlan(Session& session, const std::string& prefix, const std::string& chapters);

// One line for each stream the plan leaves out.
void logLeftOut(FrontEnd& ui, const MuxPlan& plan);

// Runs mkvmerge on the plan. Made: the files that went in are removed
// (unless Session::keepStreams), what stayed out is named, and the log
// ends with "Created BASE.mkv". Cancelled: the partial MKV is removed,
// the streams stay. Failed: FileError after mkvmerge's own lines.
void muxStreams(Session& session, const MuxPlan& plan, const std::string& prefix, const std::string& mkvmerge);

}  // namespace strandex
