#include "commands/vobsub_files.h"

#include "engine/vobsub_index.h"
#include "playlist/language_codes.h"
#include "playlist/language_table.h"
#include "report/report_fields.h"

namespace strandex {

namespace {

// A frame size the title did not give: the .idx reader needs one, and a
// PAL frame holds an NTSC one's subpictures too.
constexpr int kDefaultWidth = 720;
constexpr int kDefaultHeight = 576;

VobSubIndexFacts indexFacts(const Session& session, int slot) {
    const PlaylistFacts& playlist = session.playlist;
    VobSubIndexFacts facts;
    bool sized = playlist.frameWidth > 0 && playlist.frameHeight > 0;
    facts.width = sized ? playlist.frameWidth : kDefaultWidth;
    facts.height = sized ? playlist.frameHeight : kDefaultHeight;
    facts.palette = playlist.palette;
    TrackLabel label = trackLabel(session, SlotTable::subpicture, slot, session.facts.sub[static_cast<std::size_t>(slot)],
                                  "Subpicture");
    facts.language = vobsubLanguage(label.language);
    const SlotFacts& video = session.facts.video[0];
    facts.hasVideoPts = video.hasPts;
    facts.videoPts = video.earliestPts;
    return facts;
}

}  // namespace

bool colourTableFor(const Session& session) {
    const PlaylistFacts& playlist = session.playlist;
    return playlist.titleFound && playlist.sourceBase == session.paths.EVObase && playlist.hasPalette;
}

std::string vobsubLanguage(std::string_view code) {
    std::string lower = lowerCaseCode(code);
    if (lower.size() == 2 && isLanguageCode(lower)) return lower;
    for (const LanguageCode& c : kLanguageCodes)
        if ((c.terminology == lower || c.bibliographic == lower) && !c.twoLetter.empty()) return std::string(c.twoLetter);
    return "--";
}

void writeVobSubIndex(Session& session, int slot, const std::string& idxPath) {
    const VobSubOutput& vobsub = session.subVobSub[static_cast<std::size_t>(slot)];
    std::string text = vobsubIndex(indexFacts(session, slot), vobsub.entries());
    OutputFile file;
    file.create(idxPath);
    session.ui.log("Creating " + idxPath);
    file.append(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    file.close();
}

std::string staysSupLine(const VobSubOutput& vobsub, const std::string& file) {
    switch (vobsub.rawReason()) {
        case VobSubOutput::RawReason::NoColourTable:
            return "No VobSub for " + file + ": no colour table was read for this source (Read XPL with its IFO)";
        case VobSubOutput::RawReason::HdDvdUnits:
            return "No VobSub for " + file + ": its units are HD DVD units, which VobSub cannot hold";
        case VobSubOutput::RawReason::TooShort:
            return "No VobSub for " + file + ": the stream is too short to tell its units";
        case VobSubOutput::RawReason::None: break;
    }
    return "";
}

std::string droppedUnitsLine(const VobSubOutput& vobsub, const std::string& file) {
    if (vobsub.state() != VobSubOutput::State::VobSub || vobsub.droppedBytes() == 0) return "";
    return "Left out of " + file + ": " + std::to_string(vobsub.droppedBytes()) +
           " bytes that make no whole subpicture unit";
}

}  // namespace strandex
