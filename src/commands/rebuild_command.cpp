#include "commands/rebuild_command.h"

#include <algorithm>

#include "commands/command_guard.h"
#include "commands/command_steps.h"
#include "commands/demux_command.h"
#include "commands/encrypted_notice.h"
#include "commands/rebuild_packs.h"
#include "commands/stream_selection.h"
#include "engine/demux.h"
#include "engine/time_text.h"

namespace strandex {

namespace {

void showProgress(Session& session, std::int64_t position, double startTime) {
    const SourceFile& source = session.table.SourceStream;
    double elapsed = (secondsNow() - startTime) / kSecondsPerDay;
    session.ui.slog(progressText("Rebuilding", source.name(), position, source.size(), elapsed), 1);
    session.ui.processEvents();
}

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
    double startTime = secondsNow();
    SourceFile& source = t.SourceStream;
    std::uint8_t* buffer = t.ReadBuffer.get();
    while (source.position() < source.size() && t.StopFlag == 0) {
        std::int64_t blockStart = source.position();
        std::size_t got = source.read(buffer, kBlockSize);
        // Kept packs lie back to back in the buffer until a dropped one: each
        // such run goes to the output in one append.
        std::size_t runStart = 0;
        std::size_t runLength = 0;
        auto writeRun = [&] {
            if (runLength > 0) out.append(buffer + runStart, runLength);
            runLength = 0;
        };
        for (std::size_t at = 0; at < got && t.StopFlag == 0; at += kPackSize) {
            std::size_t n = std::min(kPackSize, got - at);
            std::int64_t end = blockStart + static_cast<std::int64_t>(at + n);
            if (end % kProgressEvery == 0) showProgress(session, end, startTime);
            if (packScrambled(buffer + at, n)) t.Scrambled = true;
            if (!rebuildPack(buffer + at, n, t, ui, numbering)) {
                writeRun();
                continue;
            }
            if (runLength == 0) runStart = at;
            runLength += n;
        }
        writeRun();
    }
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
