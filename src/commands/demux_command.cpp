#include "commands/demux_command.h"

#include <optional>
#include <vector>

#include "commands/command_guard.h"
#include "commands/command_steps.h"
#include "commands/demux_final_names.h"
#include "commands/demux_options.h"
#include "commands/demux_output_plan.h"
#include "commands/encrypted_notice.h"
#include "commands/read_evo.h"
#include "commands/stream_selection.h"
#include "engine/demux.h"
#include "mux/chapter_files.h"
#include "mux/mux_step.h"

namespace strandex {

namespace {

OutputFile& outputOf(StreamTable& t, Box box) {
    auto slot = static_cast<std::size_t>(slotOfBox(box));
    switch (kindOfBox(box)) {
        case StreamKindOfBox::Video: return t.VideoOut[slot];
        case StreamKindOfBox::Audio: return t.AudioOut[slot];
        case StreamKindOfBox::Subpicture: break;
    }
    return t.SubpictureOut[slot];
}

// Demux takes 23.976 pictures a second, where Read EVO takes 24000/1001.
double demuxPlayingDays(std::int32_t frames) {
    return static_cast<double>(static_cast<long double>(frames) / 23.976L / 86400.0L);
}

void createOutputs(Session& session, const std::vector<PlannedOutput>& planned) {
    for (const PlannedOutput& out : planned) {
        bool video = kindOfBox(out.box) == StreamKindOfBox::Video;
        outputOf(session.table, out.box)
            .create(out.name, video ? OutputFile::kLargeBufferSize : OutputFile::kBufferSize);
        session.ui.log("Creating " + out.name);
    }
}

// Every file is closed whatever happens; outputs keep what was written
// (a WAV its header with the sizes so far). When the run itself went well,
// a close that fails (its last bytes not written) is reported as a write
// error rather than passing for success.
void closeEverything(Session& session, bool reportFailure) {
    StreamTable& t = session.table;
    t.SourceStream.close();
    bool failed = false;
    for (Box box : slotBoxesInOrder()) {
        OutputFile& out = outputOf(t, box);
        if (!out.isOpen()) continue;
        try {
            auto slot = static_cast<std::size_t>(slotOfBox(box));
            if (kindOfBox(box) == StreamKindOfBox::Audio) session.audioWav[slot].finish(out);
            if (kindOfBox(box) == StreamKindOfBox::Subpicture) session.subVobSub[slot].finish(out);
            out.close();
        } catch (const FileError&) {
            out.discard();
            failed = true;
        }
    }
    if (failed && reportFailure) throw FileError(kStreamWriteError);
}

void writeStreams(Session& session, const std::string& prefix, const std::string& second,
                  const EarlierFacts& earlier, EncryptedPart& encrypted) {
    std::vector<PlannedOutput> planned = planOutputs(session, earlier, prefix);
    armCodecOutputs(session, planned, earlier.codecFiles);
    openSource(session);
    createOutputs(session, planned);
    session.ui.slog("Writing stream(s)", 0);
    demux(session, RunMode::Write);
    encrypted.note(session.table, session.paths.EVOname);
    continueIntoSecondPart(session, second, encrypted, [&] { demux(session, RunMode::Write); });
    closeEverything(session, true);
    nameWrittenFiles(session, planned, earlier.codecFiles);
}

}  // namespace

std::string sharedOutputMessage(const std::string& path) {
    return "Two streams would be written to the same file \"" + path +
           "\". Nothing was demuxed.";
}

std::string secondPartPath(const std::string& sourcePath, const std::string& sourceName) {
    const std::string tail = "_1.EVO";
    if (sourceName.size() < tail.size() || sourceName.compare(sourceName.size() - tail.size(), tail.size(), tail) != 0)
        return "";
    if (sourcePath.size() < 5) return "";
    return sourcePath.substr(0, sourcePath.size() - 5) + "2.EVO";
}

std::string demuxPrefix(Session& session, std::string& second) {
    FrontEnd& ui = session.ui;
    std::string prefix = outputPrefix(ui.text(Edit::eWorkdir), session.paths.EVObase);
    second.clear();
    if (ui.ticked(Box::cbContinue)) {
        second = secondPartPath(ui.text(Edit::eEVOfile), session.paths.EVOname);
        if (!second.empty() && fileExists(second)) prefix += "_2";
    }
    return prefix;
}

void bDemuxClick(Session& session) {
    CommandGuard guard(session);
    if (!guard.acquired()) return;
    FrontEnd& ui = session.ui;
    StreamTable& t = session.table;
    const std::string mkvmerge = muxerForDemux(session);  // before anything is read or written
    EarlierFacts earlier = earlierFacts(session);  // the start clears them
    startOnStatusPage(session, Button::bDemux);
    std::string second;
    std::string prefix = demuxPrefix(session, second);
    EncryptedPart encrypted;
    try {
        writeStreams(session, prefix, second, earlier, encrypted);
    } catch (...) {
        closeEverything(session, false);
        throw;
    }
    std::string chapters = writeChapterFiles(session, prefix);
    std::optional<MuxPlan> plan;
    if (muxPlanWanted(session)) plan = writeMuxPlan(session, prefix, chapters);
    logDone(ui);
    logFrameCounts(ui, t, demuxPlayingDays);
    if (plan) logLeftOut(ui, *plan);
    // Streams cut short by Cancel are not muxed. A failed mux still tells
    // of an encrypted source: its streams are on the disk.
    if (plan && !mkvmerge.empty() && t.StopFlag == 0) {
        try {
            muxStreams(session, *plan, prefix, mkvmerge);
        } catch (const FileError&) {
            encrypted.tell(ui);
            throw;
        }
    }
    ui.setEnabled(Button::bDemux, true);
    encrypted.tell(ui);
}

}  // namespace strandex
