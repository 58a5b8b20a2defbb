#include "commands/rebuild_command.h"

#include "commands/command_guard.h"
#include "commands/command_steps.h"
#include "commands/demux_command.h"
#include "commands/encrypted_notice.h"
#include "commands/rebuild_block.h"
#include "commands/rebuild_packs.h"
#include "commands/stream_selection.h"
#include "engine/demux.h"
#include "engine/source_blocks.h"
#include "engine/time_text.h"

namespace strandex {

namespace {

// After a failure the output still keeps what was written before it.
void closeQuietly(OutputFile& out) {
    try {
        out.close();
    } catch (const FileError&) {
    }
}

void rebuildFiles(Session& session, const std::string& prefix, const std::string& second,
                  RebuildNumbering& numbering, EncryptedPart& encrypted) {
    FrontEnd& ui = session.ui;
    openSource(session);
    std::string name = prefix + ".rebuilt.EVO";
    OutputFile& out = session.table.VideoOut[0];
    out.create(name, OutputFile::kLargeBufferSize);
    ui.log("Creating " + name);
    ui.slog("Writing EVO...", 0);
    Rebuild(session, numbering, out);
    encrypted.note(session.table, session.paths.EVOname);
    continueIntoSecondPart(session, second, encrypted, [&] { Rebuild(session, numbering, out); });
}

}  // namespace

// The source is read in blocks and walked pack by pack; progress and events
// come at every 4 MiB of packs, and Cancel takes effect after the current
// pack.
void Rebuild(Session& session, RebuildNumbering& numbering, OutputFile& out) {
    StreamTable& t = session.table;
    FrontEnd& ui = session.ui;
    ui.setEnabled(Button::bCancel, true);
    struct DisableCancel {
        FrontEnd& ui;
        ~DisableCancel() { ui.setEnabled(Button::bCancel, false); }
    } disable{ui};
    t.BusyFlag = 1;
    t.StopFlag = 0;
    RebuildBlock walk{session, numbering, out, secondsNow()};
    SourceFile& source = t.SourceStream;
    SourceBlocks blocks(session);
    while (source.position() < source.size() && t.StopFlag == 0) {
        std::int64_t blockStart = source.position();
        std::size_t got = 0;
        const std::uint8_t* block = blocks.next(got);
        try {
            walk.packs(block, got, blockStart, blocks.shared());
        } catch (const FileError&) {
            blocks.rethrowAsSourceError();
        }
    }
    blocks.finish();
}

void bRebuildClick(Session& session) {
    CommandGuard guard(session);
    if (!guard.acquired()) return;
    FrontEnd& ui = session.ui;
    StreamTable& t = session.table;
    ui.showPage(Page::tsStatus);
    t.Scrambled = false;
    std::string second;
    std::string prefix = demuxPrefix(session, second);
    RebuildNumbering numbering;
    EncryptedPart encrypted;
    try {
        rebuildFiles(session, prefix, second, numbering, encrypted);
    } catch (...) {
        t.SourceStream.close();
        closeQuietly(t.VideoOut[0]);
        throw;
    }
    t.SourceStream.close();
    t.VideoOut[0].close();
    logDone(ui);
    encrypted.tell(ui);
}

}  // namespace strandex
