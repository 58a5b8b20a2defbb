#include "commands/demux_command.h"

#include <optional>
#include <vector>

#include "commands/codec_names.h"
#include "commands/command_guard.h"
#include "commands/command_steps.h"
#include "commands/demux_options.h"
#include "commands/encrypted_notice.h"
#include "commands/read_evo.h"
#include "commands/stream_selection.h"
#include "commands/vobsub_files.h"
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

struct PlannedOutput {
    Box box;
    std::string name;
    // Files named by codec: the name less its extension, and the coding
    // the extension was chosen by.
    std::string stem;
    ContentCoding coding = ContentCoding::Unknown;
};

// What Demux knows of the streams before it runs, for files named by
// codec: the facts of the command before when it read this source.
struct EarlierFacts {
    bool codecFiles = false;
    StreamFacts facts;
    bool ofThisSource = false;
};

EarlierFacts earlierFacts(const Session& session) {
    EarlierFacts e;
    e.codecFiles = codecFilesWanted(session);
    if (!e.codecFiles) return e;
    e.facts = session.facts;
    e.ofThisSource = !e.facts.parts.empty() && e.facts.parts.front() == session.ui.text(Edit::eEVOfile);
    return e;
}

PlannedOutput planOutput(const Session& session, const EarlierFacts& earlier, const std::string& prefix, Box box) {
    const FrontEnd& ui = session.ui;
    if (!earlier.codecFiles) return {box, outputName(ui, prefix, box), "", ContentCoding::Unknown};
    ContentCoding coding =
        plannedCoding(ui, session.table, earlier.ofThisSource ? &earlier.facts : nullptr, box);
    std::string stem = outputStem(ui, prefix, box);
    return {box, stem + codecExtension(coding), stem, coding};
}

// The file of every selected box, in box order. Two boxes whose names
// coincide (equal captions, or captions that differ only in a "/") would
// write into one file at two offsets, leaving neither stream: the command
// stops before any file is made. Files named by codec may be renamed when
// their stream shows another coding; as only the extension changes, two
// distinct stems keep the final names apart too.
std::vector<PlannedOutput> planOutputs(const Session& session, const EarlierFacts& earlier,
                                       const std::string& prefix) {
    std::vector<PlannedOutput> planned;
    for (Box box : slotBoxesInOrder()) {
        if (!selected(session.ui, box)) continue;
        PlannedOutput out = planOutput(session, earlier, prefix, box);
        for (const PlannedOutput& before : planned)
            if (before.name == out.name || (earlier.codecFiles && before.stem == out.stem))
                throw FileError(sharedOutputMessage(out.name));
        planned.push_back(out);
    }
    return planned;
}

// LPCM goes to WAV, and DVD subpictures to VobSub, only for the files
// this Demux names by codec.
void armCodecOutputs(Session& session, const std::vector<PlannedOutput>& planned, bool codecFiles) {
    for (WavOutput& wav : session.audioWav) wav.reset();
    for (VobSubOutput& vobsub : session.subVobSub) vobsub.reset();
    if (!codecFiles) return;
    bool colourTable = colourTableFor(session);
    for (const PlannedOutput& out : planned) {
        auto slot = static_cast<std::size_t>(slotOfBox(out.box));
        if (kindOfBox(out.box) == StreamKindOfBox::Audio) session.audioWav[slot].arm();
        if (kindOfBox(out.box) == StreamKindOfBox::Subpicture) session.subVobSub[slot].arm(colourTable);
    }
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

const WavOutput* wavOf(const Session& session, Box box) {
    if (kindOfBox(box) != StreamKindOfBox::Audio) return nullptr;
    return &session.audioWav[static_cast<std::size_t>(slotOfBox(box))];
}

// LPCM whose format byte holds a reserved value was written as it came.
bool writtenRawLpcm(const Session& session, Box box, const SlotFacts& met) {
    const WavOutput* wav = wavOf(session, box);
    return wav != nullptr && met.coding == ContentCoding::Lpcm && wav->state() == WavOutput::State::Raw;
}

// The extension the stream turned out to call for: its first chunk's
// coding, or what the name was planned by when the stream never came; raw
// LPCM takes the kind's extension.
std::string finalExtension(const Session& session, const PlannedOutput& out, const SlotFacts& met) {
    if (writtenRawLpcm(session, out.box, met)) return session.ui.text(Edit::eAudioExt);
    bool known = met.met && met.coding != ContentCoding::Unknown;
    return codecExtension(known ? met.coding : out.coding);
}

const VobSubOutput* vobsubOf(const Session& session, Box box) {
    if (kindOfBox(box) != StreamKindOfBox::Subpicture) return nullptr;
    return &session.subVobSub[static_cast<std::size_t>(slotOfBox(box))];
}

// A subpicture stream of DVD units is a .sub beside the .idx written
// for it, and its facts name the .idx, which a muxer is given; one that
// stayed .sup says why.
void finishVobSub(Session& session, const PlannedOutput& out, SlotFacts& met) {
    const VobSubOutput* vobsub = vobsubOf(session, out.box);
    if (vobsub == nullptr) return;
    std::string stays = staysSupLine(*vobsub, met.file);
    if (!stays.empty()) session.ui.log(stays);
    if (vobsub->state() != VobSubOutput::State::VobSub) return;
    std::string sub = out.stem + "sub";
    renameFile(met.file, sub);
    session.ui.log(renamedLine(met.file, sub));
    std::string dropped = droppedUnitsLine(*vobsub, sub);
    if (!dropped.empty()) session.ui.log(dropped);
    std::string idx = out.stem + "idx";
    writeVobSubIndex(session, slotOfBox(out.box), idx);
    met.file = idx;
}

// Each written stream's file in its facts, under its final name: a file
// named by codec whose stream showed another coding is renamed.
void nameWrittenFiles(Session& session, const std::vector<PlannedOutput>& planned, bool codecFiles) {
    for (const PlannedOutput& out : planned) {
        SlotFacts& met = factsOfBox(session.facts, out.box);
        met.file = out.name;
        if (!codecFiles) continue;
        if (writtenRawLpcm(session, out.box, met)) session.ui.log(rawLpcmLine(out.name));
        std::string finalName = out.stem + finalExtension(session, out, met);
        if (finalName != out.name) {
            renameFile(out.name, finalName);
            session.ui.log(renamedLine(out.name, finalName));
            met.file = finalName;
        }
        finishVobSub(session, out, met);
    }
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
