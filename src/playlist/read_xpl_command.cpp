#include "playlist/read_xpl_command.h"

#include "commands/command_guard.h"
#include "commands/command_steps.h"
#include "commands/stream_selection.h"
#include "playlist/read_ifo_command.h"
#include "playlist/xpl_codecs.h"
#include "playlist/xpl_facts.h"
#include "playlist/xpl_scanner.h"
#include "playlist/xpl_title.h"
#include "playlist/xpl_tracks.h"

namespace strandex {

namespace {

// Every tag becomes a memo line; the lines are tested as they come. Returns
// what the lookups found: the playlist's display name, the TitleSet tags.
ScanLookups scanPlaylist(Session& session) {
    FrontEnd& ui = session.ui;
    SourceFile playlist;
    playlist.open(ui.text(Edit::eXPLfile));
    ui.log("Open " + session.paths.XPLname);
    const std::string size = std::to_string(playlist.size());
    ui.log("Filesize: " + size + " bytes");
    ui.xplClear();
    ui.xplShow(false);
    ScanLookups lookups;
    XplScanner scanner([&](const std::string& line) {
        ui.xplAppend(line);
        readScannedLine(line, lookups, session.codecs);
    });
    std::uint8_t* buffer = session.table.ReadBuffer.get();
    while (playlist.position() < playlist.size()) {
        std::size_t got = playlist.read(buffer, kBlockSize);
        ui.slog(std::to_string(playlist.position()) + "/" + size + " bytes", 1);
        scanner.scan(buffer, got);
    }
    return lookups;
}

// The playlist's title that plays the source, in the tree, the boxes and
// Session::playlist.
void readPlaylist(Session& session) {
    FrontEnd& ui = session.ui;
    StreamTable& t = session.table;
    const ScanLookups scanned = scanPlaylist(session);
    t.VideoIds.fill(-1);
    t.AudioIds.fill(-1);
    t.SubpictureIds.fill(-1);
    // The title is not looked for when the very first line names the source.
    int found = findSourceLine(ui, session.paths.EVObase);
    if (found > 0) {
        cutMemoToTitle(ui, found);
        showTitle(session, scanned.playlistTitle);
        readTitleFacts(session, titleSetAbove(scanned.titleSets, found), scanned.playlistTitle);
    }
}

}  // namespace

void bReadXPLClick(Session& session) {
    CommandGuard guard(session);
    if (!guard.acquired()) return;
    FrontEnd& ui = session.ui;
    Resetcbs(ui);
    ui.setEnabled(Button::bReadXPL, false);
    ui.showPage(Page::tsXPL);
    session.playlist = PlaylistFacts{};
    // A DVD title set's IFO stands for the playlist; its first bytes say so.
    if (playlistIsIfo(ui.text(Edit::eXPLfile)))
        readIfoPlaylist(session);
    else
        readPlaylist(session);
    cbVideoClick(ui);  // a track's box may have been ticked before it was enabled
    ui.xplShow(true);
    logDone(ui);
    ui.setEnabled(Button::bReadXPL, true);
}

}  // namespace strandex
