#include "commands/demux_output_plan.h"

#include "commands/codec_names.h"
#include "commands/demux_command.h"
#include "commands/demux_options.h"
#include "commands/stream_selection.h"
#include "commands/vobsub_files.h"
#include "engine/file_io.h"

namespace strandex {

namespace {

PlannedOutput planOutput(const Session& session, const EarlierFacts& earlier, const std::string& prefix, Box box) {
    const FrontEnd& ui = session.ui;
    if (!earlier.codecFiles) return {box, outputName(ui, prefix, box), ""};
    ContentCoding coding =
        plannedCoding(ui, session.table, earlier.ofThisSource ? &earlier.facts : nullptr, box);
    std::string stem = outputStem(ui, prefix, box);
    return {box, stem + codecExtension(coding), stem};
}

}  // namespace

EarlierFacts earlierFacts(const Session& session) {
    EarlierFacts e;
    e.codecFiles = codecFilesWanted(session);
    if (!e.codecFiles) return e;
    e.facts = session.facts;
    e.ofThisSource = !e.facts.parts.empty() && e.facts.parts.front() == session.ui.text(Edit::eEVOfile);
    return e;
}

// Two boxes whose names coincide (equal captions, or captions that differ
// only in a "/") would write into one file at two offsets, leaving neither
// stream: the command stops before any file is made. Files named by codec
// may be renamed when their stream shows another coding; as only the
// extension changes, two distinct stems keep the final names apart too.
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

}  // namespace strandex
