#include "support/fast_path_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine/demux.h"
#include "support/engine_checks.h"
#include "support/engine_harness.h"
#include "support/slot_outputs.h"

namespace strandex::test {

Outcome runEngine(const Bytes& file, RunMode mode, bool plain, Outputs outputs, Reading reading) {
    Harness h;
    h.session.plainByteStep = plain;
    h.session.mapSource = reading.mapped;
    h.session.mapWindow = reading.window;
    std::string source = h.dir.write("source.evo", file);
    std::string out = h.dir.file("out");
    std::filesystem::create_directory(out);
    bool made = mode == RunMode::Write || outputs == Outputs::Always;
    Outcome o = runDemux(h.ui, h.session, source, mode, made ? out : "");
    EXPECT_EQ(o.error, "");
    std::vector<std::string> names;
    if (made)
        for (Box box : slotBoxes()) names.push_back(outputFileName(box));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(filesIn(out), names) << "only the outputs";
    EXPECT_EQ(filesIn(h.dir.path()), (std::vector<std::string>{"out", "source.evo"}));
    if (mode == RunMode::Scan) {
        for (const Bytes& output : o.outputs) EXPECT_TRUE(output.empty()) << "a scan wrote an output";
    }
    return o;
}

Outcome expectFastEqualsPlain(const Bytes& file, RunMode mode, Outputs outputs) {
    SCOPED_TRACE(mode == RunMode::Scan ? "scan mode" : "write mode");
    Outcome plain = runEngine(file, mode, true, outputs);
    EXPECT_EQ(outcomeDifference(plain, runEngine(file, mode, false, outputs)), "") << "plain byte step / fast walk";
    return plain;
}

void expectMappedEqualsRead(const Bytes& file, RunMode mode, std::size_t window) {
    SCOPED_TRACE(std::string(mode == RunMode::Scan ? "scan mode" : "write mode") + ", window " +
                 std::to_string(window));
    Outcome read = runEngine(file, mode, false, Outputs::ForWriteMode, Reading{false, window});
    Outcome mapped = runEngine(file, mode, false, Outputs::ForWriteMode, Reading{true, window});
    EXPECT_EQ(outcomeDifference(read, mapped), "") << "read() / mapping";
}

}  // namespace strandex::test
