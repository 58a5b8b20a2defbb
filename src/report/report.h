// The report a script reads after a command: the source and its parts,
// one object per stream with what is known of it (id, type, first PTS,
// delay, language and name, rates, the Demux output), and the title and
// chapters Read XPL found. UTF-8 JSON; the README holds its schema.
#pragma once
#include <string>

#include "engine/session.h"

namespace strandex {

// Which streams the report lists. After Read EVO or Demux: every slot the
// engine met (subpicture slots 16..31 too, which have no box). After a
// Read XPL alone: the tracks of the title it found.
enum class ReportStreams { met, titleTracks };

std::string reportJson(const Session& session, ReportStreams streams);

// Writes the report to `path`, replacing it; FileError ("Cannot create
// file ...", "Stream write error") when it cannot.
void writeReport(const Session& session, ReportStreams streams, const std::string& path);

}  // namespace strandex
