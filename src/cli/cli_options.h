// The console front end's command line.
#pragma once
#include <optional>
#include <string>
#include <vector>

namespace strandex {

struct CliOptions {
    std::string command;  // read, demux, rebuild, xpl, mux
    std::string input;    // SOURCE, or PLAYLIST for xpl
    std::string outputDir;
    std::optional<std::string> videoExt, audioExt, subExt;
    std::optional<std::vector<std::string>> streams;  // video0, audio3, sub12 …
    std::string xpl;
    std::string source;
    bool noContinue = false;
    bool full = false;
    bool noCount = false;
    bool noDetails = false;
    bool boxes = false;
    bool tree = false;
    bool memo = false;
    bool times = false;  // each step's time on standard error
    bool codecFiles = false;  // "Name files by codec" ticked
    bool chapters = false;     // Demux writes the title's chapters too
    bool muxPlan = false;      // demux: the mkvmerge options file too
    bool keepStreams = false;  // mux: the streams stay beside the MKV
    std::optional<std::string> report;  // where the JSON report goes
    bool help = false;
};

struct UsageError {
    std::string message;
};

// Throws UsageError on anything it does not understand.
CliOptions parseOptions(const std::vector<std::string>& args);

extern const char* const kUsage;

}  // namespace strandex
