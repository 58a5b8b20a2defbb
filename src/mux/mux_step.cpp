#include "mux/mux_step.h"

#include <cstdio>

#include "commands/demux_options.h"
#include "commands/source_selection.h"
#include "engine/file_io.h"
#include "mux/child_process.h"
#include "mux/chapter_files.h"
#include "mux/mkvmerge_run.h"

namespace strandex {

namespace {

void removeFile(const std::string& path) { std::remove(path.c_str()); }

// What went into the MKV: the streams (a VobSub track's .idx and .sub),
// the chapter files and the plan.
void removeMuxedFiles(Session& session, const MuxPlan& plan, const std::string& prefix) {
    for (const PlannedTrack& t : plan.tracks) {
        removeFile(t.file);
        if (isVobSubIndex(t.file)) removeFile(vobsubDataPath(t.file));
    }
    if (!plan.chapters.empty()) {
        removeFile(chapterTextPath(prefix));
        removeFile(chapterXmlPath(prefix));
    }
    removeFile(muxPlanPath(prefix));
    session.ui.log("Removed the files that went into " + fileNamePart(plan.output));
}

}  // namespace

std::string muxerForDemux(const Session& session) {
    if (!muxMkvWanted(session)) return "";
    std::string mkvmerge = findOnPath(kMkvmergeProgram);
    if (mkvmerge.empty()) throw FileError(kMkvmergeMissing);
    return mkvmerge;
}

MuxPlan writeMuxPlan(Session& session, const std::string& prefix, const std::string& chapters) {
    MuxPlan plan = planMux(session, prefix, chapters);
    std::string text = muxPlanJson(muxArguments(plan));
    OutputFile file;
    file.create(muxPlanPath(prefix));
    session.ui.log("Creating " + muxPlanPath(prefix));
    file.append(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    file.close();
    return plan;
}

void logLeftOut(FrontEnd& ui, const MuxPlan& plan) {
    for (const std::string& line : plan.leftOut) ui.log(line);
}

void muxStreams(Session& session, const MuxPlan& plan, const std::string& prefix, const std::string& mkvmerge) {
    FrontEnd& ui = session.ui;
    const std::string name = fileNamePart(plan.output);
    if (plan.tracks.empty()) throw FileError("No stream that mkvmerge reads was written: " + name + " was not made.");
    ui.log("Muxing " + name);
    MuxStatus status = runMkvmerge(session, MuxRun{mkvmerge, muxPlanPath(prefix), plan.output});
    ui.slog("Ready", 0);
    ui.slog("", 1);
    if (status == MuxStatus::Cancelled) {
        ui.log("Muxing stopped: " + name + " was removed, the streams are kept.");
        return;
    }
    if (status == MuxStatus::Failed) throw FileError("mkvmerge could not make " + name + ". The streams are kept.");
    if (!session.keepStreams) removeMuxedFiles(session, plan, prefix);
    for (const std::string& file : plan.leftOutFiles) ui.log("Kept " + fileNamePart(file) + " beside " + name);
    ui.log("Created " + name);
}

}  // namespace strandex
