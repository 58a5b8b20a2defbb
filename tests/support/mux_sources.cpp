#include "support/mux_sources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/fixture_files.h"
#include "support/run_tool.h"

namespace strandex::test {

namespace {

namespace fs = std::filesystem;

DiscFolder folderIn(const TempDir& dir, const std::string& evo, const std::string& xpl) {
    DiscFolder disc;
    disc.root = dir.file("disc");
    disc.source = disc.root + "/HVDVD_TS/" + evo;
    disc.playlist = disc.root + "/ADV_OBJ/" + xpl;
    disc.out = dir.file("out");
    fs::create_directories(disc.root + "/HVDVD_TS");
    fs::create_directories(disc.root + "/ADV_OBJ");
    fs::create_directories(disc.out);
    return disc;
}

}  // namespace

DiscFolder sampleDisc(const TempDir& dir) {
    DiscFolder disc = folderIn(dir, "FEATURE_1.EVO", "VPLST000.XPL");
    CliResult r = runTool(dir, {STRANDEX_SAMPLE_DISC, disc.root});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return disc;
}

DiscFolder realEvoDisc(const TempDir& dir) {
    DiscFolder disc = folderIn(dir, "REAL_1.EVO", "REAL_EVO.XPL");
    fs::copy_file(fixture("REAL_1.EVO"), disc.source);
    fs::copy_file(fixture("xpl/REAL_EVO.XPL"), disc.playlist);
    return disc;
}

std::map<std::string, double> ffprobeStartsMs(const TempDir& work, const std::string& evo) {
    CliResult r = runTool(work, {"ffprobe", "-v", "error", "-show_entries", "stream=id,start_time", "-of",
                                 "csv=p=0", evo});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::map<std::string, double> starts;
    std::istringstream in(r.out);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t comma = line.find(',');
        if (comma == std::string::npos) continue;
        starts[line.substr(0, comma)] = std::stod(line.substr(comma + 1)) * 1000.0;
    }
    return starts;
}

}  // namespace strandex::test
