// One mux of a disc folder by the console for a whole test suite, since the
// mux is the slow part: the folder Make lays out, the console's result and
// the MKV named Mkv in its output folder.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "support/mux_sources.h"
#include "support/run_cli.h"

namespace strandex::test {

template <DiscFolder (*Make)(const TempDir&), const char* Mkv>
class MuxedOnce : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = new TempDir;
        disc = Make(*dir);
        result = runCli(*dir, {"mux", disc.source, "--xpl", disc.playlist, "-o", disc.out});
        mkv = disc.out + "/" + Mkv;
    }
    static void TearDownTestSuite() {
        delete dir;
        dir = nullptr;
    }
    static inline TempDir* dir = nullptr;
    static inline DiscFolder disc;
    static inline CliResult result;
    static inline std::string mkv;
};

}  // namespace strandex::test
