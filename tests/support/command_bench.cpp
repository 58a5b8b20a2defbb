#include "support/command_bench.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "commands/read_evo.h"
#include "engine/file_io.h"

namespace strandex::test {

CommandBench::CommandBench() {
    std::filesystem::create_directory(sources);
    std::filesystem::create_directory(out);
    ui.setText(Edit::eWorkdir, out);
}

std::string CommandBench::write(const std::string& name, const Bytes& content) const {
    return dir.write("HVDVD_TS/" + name, content);
}

void CommandBench::choose(const std::string& name) {
    ui.setText(Edit::eEVOfile, source(name));
    EVOadj(session, dialogs);
}

void CommandBench::readEvo(const std::string& name) {
    choose(name);
    bCheckClick(session);
}

std::string CommandBench::run(Command command, std::vector<std::string>* log) {
    std::size_t before = ui.logLines.size();
    std::string error;
    try {
        command(session);
    } catch (const FileError& e) {
        error = e.what();
    }
    if (log) *log = logSince(before);
    return error;
}

std::vector<std::string> CommandBench::linesOf(Command command) {
    std::vector<std::string> log;
    EXPECT_EQ(run(command, &log), "");
    return log;
}

std::vector<std::string> CommandBench::logSince(std::size_t before) const {
    return std::vector<std::string>(ui.logLines.begin() + static_cast<long>(before), ui.logLines.end());
}

bool CommandBench::anyOutputOpen() const {
    const StreamTable& t = session.table;
    for (const auto* files : {&t.AudioOut, &t.SubpictureOut})
        for (const auto& f : *files)
            if (f.isOpen()) return true;
    for (const auto& f : t.VideoOut)
        if (f.isOpen()) return true;
    return false;
}

std::vector<Box> enabledBoxes(const FrontEnd& ui) {
    std::vector<Box> boxes;
    for (int i = 0; i < kStreamBoxCount; ++i)
        if (ui.boxEnabled(boxAt(i))) boxes.push_back(boxAt(i));
    return boxes;
}

}  // namespace strandex::test
