// The commands driven as a user drives them, through the in-memory front
// end: a source folder laid out as on a disc (HVDVD_TS) and an output
// folder, which is the work folder, in one temporary folder.
#pragma once
#include <string>
#include <vector>

#include "cli/memory_front_end.h"
#include "commands/source_selection.h"
#include "engine/session.h"
#include "support/pack_builder.h"

namespace strandex::test {

class CommandBench {
public:
    using Command = void (*)(Session&);

    CommandBench();

    MemoryFrontEnd ui;
    Session session{ui};
    DialogPresets dialogs;
    TempDir dir;
    std::string sources = dir.file("HVDVD_TS");
    std::string out = dir.file("out");

    // Writes a file into the source folder; returns its path.
    std::string write(const std::string& name, const Bytes& content) const;
    std::string source(const std::string& name = "FEATURE_1.EVO") const { return sources + "/" + name; }
    // Chooses a file of the source folder as the source, as a dialog does.
    void choose(const std::string& name = "FEATURE_1.EVO");
    // Chooses it and reads it, as the user does before Demux or Rebuild.
    void readEvo(const std::string& name = "FEATURE_1.EVO");

    // Runs a command; returns the text of the file error it raised, "" if
    // none, and gives the lines it logged to `log`.
    std::string run(Command command, std::vector<std::string>* log = nullptr);
    // Runs a command that must raise no file error; returns its lines.
    std::vector<std::string> linesOf(Command command);
    std::vector<std::string> logSince(std::size_t before) const;

    // A file of the output folder.
    Bytes output(const std::string& name) const { return readFile(out + "/" + name); }
    bool anyOutputOpen() const;
};

// The stream boxes a command left enabled, in box order.
std::vector<Box> enabledBoxes(const FrontEnd& ui);

}  // namespace strandex::test
