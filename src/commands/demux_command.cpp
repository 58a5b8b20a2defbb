#include "commands/demux_command.h"

#include <vector>

#include "commands/command_guard.h"
#include "commands/command_steps.h"
#include "commands/encrypted_notice.h"
#include "commands/read_evo.h"
#include "commands/stream_selection.h"
#include "engine/demux.h"
#include "mux/chapter_files.h"

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

struct PlannedOutput {
    Box box;
    std::string name;
};

// The file of every selected box, in box order. Two boxes whose names
// coincide (equal captions, or captions that differ only in a "/") would
// write into one file at two offsets, leaving neither stream: the command
// stops before any file is made.
std::vector<PlannedOutput> planOutputs(const FrontEnd& ui, const std::string& prefix) {
    std::vector<PlannedOutput> planned;
    for (Box box : slotBoxesInOrder()) {
        if (!selected(ui, box)) continue;
        std::string name = outputName(ui, prefix, box);
        for (const PlannedOutput& earlier : planned)
            if (earlier.name == name) throw FileError(sharedOutputMessage(name));
        planned.push_back({box, name});
    }
    return planned;
}

void createOutputs(Session& session, const std::vector<PlannedOutput>& planned) {
    for (const PlannedOutput& out : planned) {
        bool video = kindOfBox(out.box) == StreamKindOfBox::Video;
        outputOf(session.table, out.box)
            .create(out.name, video ? OutputFile::kLargeBufferSize : OutputFile::kBufferSize);
        session.ui.log("Creating " + out.name);
    }
}

// Every file is closed whatever happens; outputs keep what was written.
// When the run itself went well, a close that fails (its last bytes not
// written) is reported as a write error rather than passing for success.
void closeEverything(StreamTable& t, bool reportFailure) {
    t.SourceStream.close();
    bool failed = false;
    for (Box box : slotBoxesInOrder()) {
        OutputFile& out = outputOf(t, box);
        if (!out.isOpen()) continue;
        try {
            out.close();
        } catch (const FileError&) {
            failed = true;
        }
    }
    if (failed && reportFailure) throw FileError(kStreamWriteError);
}

void writeStreams(Session& session, const std::string& prefix, const std::string& second,
                  EncryptedPart& encrypted) {
    std::vector<PlannedOutput> planned = planOutputs(session.ui, prefix);
    openSource(session);
    createOutputs(session, planned);
    session.ui.slog("Writing stream(s)", 0);
    demux(session, RunMode::Write);
    encrypted.note(session.table, session.paths.EVOname);
    continueIntoSecondPart(session, second, encrypted, [&] { demux(session, RunMode::Write); });
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
    startOnStatusPage(session, Button::bDemux);
    std::string second;
    std::string prefix = demuxPrefix(session, second);
    EncryptedPart encrypted;
    try {
        writeStreams(session, prefix, second, encrypted);
    } catch (...) {
        closeEverything(t, false);
        throw;
    }
    closeEverything(t, true);
    writeChapterFiles(session, prefix);
    logDone(ui);
    logFrameCounts(ui, t, demuxPlayingDays);
    ui.setEnabled(Button::bDemux, true);
    encrypted.tell(ui);
}

}  // namespace strandex
