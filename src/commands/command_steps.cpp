#include "commands/command_steps.h"

#include "commands/source_selection.h"
#include "engine/demux.h"

namespace strandex {

namespace {

void notePart(StreamFacts& facts, const SourceFile& part) {
    facts.parts.push_back(part.path());
    facts.size += part.size();
}

}  // namespace

void startOnStatusPage(Session& session, Button own) {
    session.ui.setEnabled(own, false);
    session.ui.showPage(Page::tsStatus);
    resetFrameCounts(session.table);
    session.table.Scrambled = false;
    session.facts = StreamFacts{};
}

void openSource(Session& session, const char* phase) {
    FrontEnd& ui = session.ui;
    SourceFile& source = session.table.SourceStream;
    ui.log("Opening file " + session.paths.EVOname);
    ui.slog("Opening", 0);
    source.open(ui.text(Edit::eEVOfile));
    session.facts.parts.clear();  // a command's first part
    session.facts.size = 0;
    notePart(session.facts, source);
    if (phase != nullptr) ui.slog(phase, 0);
    ui.log("File size: " + std::to_string(source.size() / kMiB) + " Mbytes.");
}

void continueIntoSecondPart(Session& session, const std::string& second, EncryptedPart& encrypted,
                            const std::function<void()>& run) {
    FrontEnd& ui = session.ui;
    StreamTable& t = session.table;
    if (!ui.ticked(Box::cbContinue) || t.StopFlag != 0 || second.empty() || !fileExists(second)) return;
    t.SourceStream.close();
    t.SourceStream.open(second);
    notePart(session.facts, t.SourceStream);
    ui.log("Continue on " + fileNamePart(second));
    run();
    encrypted.note(t, fileNamePart(second));
}

void logDone(FrontEnd& ui) {
    ui.log("Done.");
    ui.slog("Ready", 0);
    ui.slog("", 1);
}

}  // namespace strandex
