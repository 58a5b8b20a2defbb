#include "mux/mkvmerge_run.h"

#include <cstdio>

#include "commands/source_selection.h"
#include "engine/time_text.h"
#include "mux/child_process.h"

namespace strandex {

namespace {

constexpr int kPollMs = 100;  // how long a read waits before events run again

bool startsWith(const std::string& s, const std::string& head) { return s.compare(0, head.size(), head) == 0; }

// mkvmerge's --gui-mode lines: "#GUI#progress 45%", "#GUI#error …",
// "#GUI#warning …"; everything else it prints is left out of the log.
struct GuiLines {
    FrontEnd& ui;
    std::string fileName;
    double startTime;

    void operator()(const std::string& line) const {
        static const std::string progress = "#GUI#progress ";
        static const std::string error = "#GUI#error ";
        static const std::string warning = "#GUI#warning ";
        if (startsWith(line, progress)) {
            int percent = std::atoi(line.c_str() + progress.size());
            ui.slog(muxProgressText(fileName, percent, secondsNow() - startTime), 1);
        } else if (startsWith(line, error)) {
            ui.log("mkvmerge: " + line.substr(error.size()));
        } else if (startsWith(line, warning)) {
            ui.log("mkvmerge warning: " + line.substr(warning.size()));
        }
    }
};

MuxStatus statusOf(int exitStatus) {
    if (exitStatus == 0) return MuxStatus::Created;
    if (exitStatus == 1) return MuxStatus::CreatedWithWarnings;
    return MuxStatus::Failed;
}

}  // namespace

std::string muxProgressText(const std::string& fileName, int percent, double elapsedSeconds) {
    double remaining = percent > 0 ? elapsedSeconds * (100 - percent) / percent + 1.0 : 1.0;
    return "Muxing " + fileName + " " + std::to_string(percent) +
           "%, Remaining time: " + timeText(remaining / kSecondsPerDay);
}

MuxStatus runMkvmerge(Session& session, const MuxRun& run) {
    FrontEnd& ui = session.ui;
    StreamTable& t = session.table;
    ui.slog("Muxing", 0);
    ui.setEnabled(Button::bCancel, true);
    t.StopFlag = 0;
    t.BusyFlag = 1;
    ChildProcess child;
    std::string error;
    MuxStatus status = MuxStatus::Failed;
    if (!child.start({run.mkvmerge, "--gui-mode", "@" + run.plan}, error)) {
        ui.log("Cannot start " + run.mkvmerge + ". " + error);
    } else {
        GuiLines lines{ui, fileNamePart(run.output), secondsNow()};
        bool stopped = false;
        while (child.pump(kPollMs, lines)) {
            ui.processEvents();
            if (t.StopFlag != 0) {
                stopped = true;
                break;
            }
        }
        if (stopped) {
            child.terminate();
            status = MuxStatus::Cancelled;
        } else {
            status = statusOf(child.wait());
        }
    }
    if (status == MuxStatus::Failed || status == MuxStatus::Cancelled) std::remove(run.output.c_str());
    ui.setEnabled(Button::bCancel, false);
    return status;
}

}  // namespace strandex
