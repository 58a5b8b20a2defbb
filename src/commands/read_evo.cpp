#include "commands/read_evo.h"

#include "commands/command_guard.h"
#include "commands/encrypted_notice.h"
#include "commands/stream_selection.h"
#include "engine/demux.h"
#include "engine/time_text.h"

namespace strandex {

namespace {

void scanSource(Session& session) {
    FrontEnd& ui = session.ui;
    StreamTable& t = session.table;
    struct CloseSource {
        SourceFile& f;
        ~CloseSource() { f.close(); }
    } closing{t.SourceStream};
    ui.log("Opening file " + session.paths.EVOname);
    ui.slog("Opening", 0);
    t.SourceStream.open(ui.text(Edit::eEVOfile));
    ui.slog("Reading", 0);
    ui.log("File size: " + std::to_string(t.SourceStream.size() / 1048576) + " Mbytes.");
    demux(session, RunMode::Scan);
}

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

void bCheckClick(Session& session) {
    CommandGuard guard(session);
    if (!guard.acquired()) return;
    FrontEnd& ui = session.ui;
    StreamTable& t = session.table;
    ui.setEnabled(Button::bCheck, false);
    Resetcbs(ui);
    ui.showPage(Page::tsStatus);
    resetFrameCounts(t);
    t.Scrambled = false;
    scanSource(session);
    offerStreams(session);
    ui.log("Done.");
    ui.slog("Ready", 0);
    ui.slog("", 1);
    for (int slot = 0; slot < kVideoSlots; ++slot) {
        std::int32_t n = t.FrameCount[static_cast<std::size_t>(slot)];
        // Every picture is taken to last 1001/24000 s.
        double days = n / 24000.0 * 1001.0 / 86400.0;
        if (n > 0) ui.log(frameCountLine(n, days, slot));
    }
    ui.setEnabled(Button::bCheck, true);
    if (t.Scrambled) ui.warn(encryptedNotice(session.paths.EVOname));
}

}  // namespace strandex
