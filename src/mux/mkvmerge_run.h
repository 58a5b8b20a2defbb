// Running mkvmerge on a mux plan: a child process whose progress lines go
// to the status panels and whose errors and warnings go to the log, with
// events let in between reads so that Cancel can stop it.
#pragma once
#include <string>

#include "engine/session.h"

namespace strandex {

inline constexpr const char* kMkvmergeProgram = "mkvmerge";
inline constexpr const char* kMkvmergeMissing = "Muxing needs mkvmerge (Debian package mkvtoolnix).";

enum class MuxStatus {
    Created,              // exit status 0
    CreatedWithWarnings,  // exit status 1: the file is kept, the warnings logged
    Failed,               // exit status 2, or it could not be started: no file is left
    Cancelled,            // stopped by Cancel: no file is left
};

struct MuxRun {
    std::string mkvmerge;  // the program's path
    std::string plan;      // the options file, given as @plan
    std::string output;    // the file the plan makes, removed when the run fails
};

MuxStatus runMkvmerge(Session& session, const MuxRun& run);

// "Muxing FEATURE_1.mkv 45%, Remaining time: 0:00:12": the time left
// estimated from the time spent, as the engine's progress line does.
std::string muxProgressText(const std::string& fileName, int percent, double elapsedSeconds);

}  // namespace strandex
