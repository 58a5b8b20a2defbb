#include "commands/demux_final_names.h"

#include <string>

#include "commands/codec_names.h"
#include "commands/stream_selection.h"
#include "commands/vobsub_files.h"
#include "engine/file_io.h"

namespace strandex {

namespace {

const WavOutput* wavOf(const Session& session, Box box) {
    if (kindOfBox(box) != StreamKindOfBox::Audio) return nullptr;
    return &session.audioWav[static_cast<std::size_t>(slotOfBox(box))];
}

// LPCM whose format byte holds a reserved value was written as it came.
bool writtenRawLpcm(const Session& session, Box box, const SlotFacts& met) {
    const WavOutput* wav = wavOf(session, box);
    return wav != nullptr && met.coding == ContentCoding::Lpcm && wav->state() == WavOutput::State::Raw;
}

// The name the stream turned out to call for: the stem with the extension
// of its first chunk's coding, the kind's extension for raw LPCM, and the
// planned name when the stream never came.
std::string finalNameOf(const Session& session, const PlannedOutput& out, const SlotFacts& met) {
    if (writtenRawLpcm(session, out.box, met)) return out.stem + session.ui.text(Edit::eAudioExt);
    if (!met.met || met.coding == ContentCoding::Unknown) return out.name;
    return out.stem + codecExtension(met.coding);
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

}  // namespace

void nameWrittenFiles(Session& session, const std::vector<PlannedOutput>& planned, bool codecFiles) {
    for (const PlannedOutput& out : planned) {
        SlotFacts& met = factsOfBox(session.facts, out.box);
        met.file = out.name;
        if (!codecFiles) continue;
        if (writtenRawLpcm(session, out.box, met)) session.ui.log(rawLpcmLine(out.name));
        std::string finalName = finalNameOf(session, out, met);
        if (finalName != out.name) {
            renameFile(out.name, finalName);
            session.ui.log(renamedLine(out.name, finalName));
            met.file = finalName;
        }
        finishVobSub(session, out, met);
    }
}

}  // namespace strandex
