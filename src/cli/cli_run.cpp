#include "cli/cli_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <ostream>

#include "commands/demux_command.h"
#include "commands/read_evo.h"
#include "commands/rebuild_command.h"
#include "commands/source_selection.h"
#include "commands/stream_selection.h"
#include "mux/child_process.h"
#include "mux/mkvmerge_run.h"
#include "playlist/read_xpl_command.h"
#include "report/report.h"

namespace strandex {

namespace {

void applyOptions(const CliOptions& o, FrontEnd& ui) {
    ui.setText(Edit::eWorkdir, o.outputDir);
    if (o.videoExt) ui.setText(Edit::eVideoExt, *o.videoExt);
    if (o.audioExt) ui.setText(Edit::eAudioExt, *o.audioExt);
    if (o.subExt) ui.setText(Edit::eSubExt, *o.subExt);
    ui.setTicked(Box::cbContinue, !o.noContinue);
    ui.setTicked(Box::cbFastCheck, !o.full);
    ui.setTicked(Box::cbCountFr, !o.noCount);
    ui.setTicked(Box::cbDetails, !o.noDetails);
    ui.setTicked(Box::cbCodecFiles, o.codecFiles);
}

// The 34 boxes that stand for a slot, with their console names.
struct SlotBox {
    Box box;
    std::string name;
};

std::vector<SlotBox> slotBoxes() {
    std::vector<SlotBox> boxes;
    for (Box box : slotBoxesInOrder()) {
        const char* kind = kindOfBox(box) == StreamKindOfBox::Video   ? "video"
                           : kindOfBox(box) == StreamKindOfBox::Audio ? "audio"
                                                                      : "sub";
        boxes.push_back({box, kind + std::to_string(slotOfBox(box))});
    }
    return boxes;
}

// The tree with two blanks per level, each item followed by its children.
void listTree(const MemoryFrontEnd& ui, std::ostream& out) {
    auto children = [&](auto& self, int parent, const std::string& indent) -> void {
        for (std::size_t k = 0; k < ui.tree.size(); ++k) {
            if (ui.tree[k].parent != parent) continue;
            out << indent << ui.tree[k].text << '\n';
            self(self, static_cast<int>(k), indent + "  ");
        }
    };
    children(children, -1, "");
}

// Runs one step; with --times, writes "Demux: 0.512 s" to `times`.
void timedStep(const char* name, std::ostream* times, const std::function<void()>& step) {
    auto start = std::chrono::steady_clock::now();
    step();
    if (!times) return;
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    char text[64];
    std::snprintf(text, sizeof text, "%s: %.3f s", name, took.count());
    *times << text << '\n';
}

}  // namespace

void listBoxes(const FrontEnd& ui, std::ostream& out) {
    for (const auto& slot : slotBoxes())
        out << boxName(slot.box) << '\t' << (ui.boxEnabled(slot.box) ? 1 : 0) << '\t'
            << (ui.ticked(slot.box) ? 1 : 0) << '\t' << ui.caption(slot.box) << '\n';
}

// --streams: every slot box not named is unticked.
void keepOnlyStreams(const std::vector<std::string>& names, FrontEnd& ui) {
    for (const auto& slot : slotBoxes())
        if (std::find(names.begin(), names.end(), slot.name) == names.end()) ui.setTicked(slot.box, false);
}

void runCommand(const CliOptions& o, Session& session, MemoryFrontEnd& ui, std::ostream& out,
                std::ostream* times) {
    applyOptions(o, ui);
    session.writeChapters = o.chapters;
    session.writeMuxPlan = o.muxPlan;
    session.keepStreams = o.keepStreams;
    bool muxing = o.command == "mux";
    ui.setTicked(Box::cbMuxMkv, muxing);
    // Before anything is read or written.
    if (muxing && findOnPath(kMkvmergeProgram).empty()) throw FileError(kMkvmergeMissing);
    // The report lists the streams the engine met, unless only Read XPL
    // (and Rebuild, which notes none) ran: then the title's tracks.
    bool engineRan = false;
    DialogPresets dialogs;
    // Adopting a source guesses its playlist, so the playlist comes second.
    ui.setText(Edit::eEVOfile, o.command == "xpl" ? o.source : o.input);
    EVOadj(session, dialogs);
    std::string playlist = o.command == "xpl" ? o.input : o.xpl;
    if (!playlist.empty()) {
        ui.setText(Edit::eXPLfile, playlist);
        XPLadj(session, dialogs);
        timedStep("Read XPL", times, [&] { bReadXPLClick(session); });
    } else {
        timedStep("Read EVO", times, [&] { bCheckClick(session); });
        engineRan = true;
    }
    if (o.command == "demux" || muxing) {
        if (o.streams) keepOnlyStreams(*o.streams, ui);
        // Demux starts only with something ticked, as its button does.
        if (ui.enabled(Button::bDemux)) {
            timedStep("Demux", times, [&] { bDemuxClick(session); });
            engineRan = true;
        }
    } else if (o.command == "rebuild") {
        if (o.streams) keepOnlyStreams(*o.streams, ui);
        timedStep("Rebuild", times, [&] { bRebuildClick(session); });
    }
    if (o.boxes) listBoxes(ui, out);
    if (o.tree) listTree(ui, out);
    if (o.memo)
        for (const auto& line : ui.xplMemo) out << line << '\n';
    if (o.report) writeReport(session, engineRan ? ReportStreams::met : ReportStreams::titleTracks, *o.report);
}

}  // namespace strandex
