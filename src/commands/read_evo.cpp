#include "commands/read_evo.h"

#include "commands/command_guard.h"
#include "commands/command_steps.h"
#include "commands/encrypted_notice.h"
#include "commands/stream_selection.h"
#include "engine/demux.h"
#include "engine/time_text.h"

namespace strandex {

namespace {

void scanSource(Session& session) {
    struct CloseSource {
        SourceFile& f;
        ~CloseSource() { f.close(); }
    } closing{session.table.SourceStream};
    openSource(session, "Reading");
    demux(session, RunMode::Scan);
}

// Every picture is taken to last 1001/24000 s.
double readEvoPlayingDays(std::int32_t frames) { return frames / 24000.0 * 1001.0 / 86400.0; }

void offerBox(FrontEnd& ui, Box box, std::int32_t id, const std::string& caption) {
    ui.setBoxEnabled(box, id > -1);
    ui.setTicked(box, ui.boxEnabled(box));
    if (ui.ticked(box)) ui.setCaption(box, caption);
}

void offerStreams(Session& session) {
    FrontEnd& ui = session.ui;
    const StreamTable& t = session.table;
    for (int n = 0; n < kVideoSlots; ++n) {
        auto id = t.VideoIds[static_cast<std::size_t>(n)];
        offerBox(ui, videoBox(n), id, VideoTypeName(id) + videoSlotSuffix(n));
    }
    for (int n = 0; n < kAudioSlots; ++n) {
        auto id = t.AudioIds[static_cast<std::size_t>(n)];
        offerBox(ui, audioBox(n), id, AudioTypeName(id) + slotSuffix(n));
    }
    for (int n = 0; n < kSubBoxSlots; ++n) {
        auto id = t.SubpictureIds[static_cast<std::size_t>(n)];
        offerBox(ui, subBox(n), id, SubTypeName(id) + slotSuffix(n));
    }
    cbVideoClick(ui);  // a box enabled with its tick already set changes no tick
}

}  // namespace

std::string frameCountLine(std::int32_t frames, double dayFraction, int slot) {
    return std::to_string(frames) + " frames (" + timeText(dayFraction) +
           " s) count in video stream " + std::to_string(slot) + ".";
}

void logFrameCounts(FrontEnd& ui, const StreamTable& t, double (*playingDays)(std::int32_t frames)) {
    for (int slot = 0; slot < kVideoSlots; ++slot) {
        std::int32_t n = t.FrameCount[static_cast<std::size_t>(slot)];
        if (n > 0) ui.log(frameCountLine(n, playingDays(n), slot));
    }
}

void bCheckClick(Session& session) {
    CommandGuard guard(session);
    if (!guard.acquired()) return;
    FrontEnd& ui = session.ui;
    Resetcbs(ui);
    startOnStatusPage(session, Button::bCheck);
    scanSource(session);
    offerStreams(session);
    logDone(ui);
    logFrameCounts(ui, session.table, readEvoPlayingDays);
    ui.setEnabled(Button::bCheck, true);
    if (session.table.Scrambled) ui.warn(encryptedNotice(session.paths.EVOname));
}

}  // namespace strandex
