#include "cli/cli_options.h"

#include <set>
#include <sstream>

namespace strandex {

const char* const kUsage =
    "Usage:\n"
    "  strandex-cli read    SOURCE [options]   Read EVO\n"
    "  strandex-cli demux   SOURCE [options]   Read EVO (or Read XPL with --xpl), then Demux\n"
    "  strandex-cli rebuild SOURCE [options]   Read EVO (or Read XPL with --xpl), then Rebuild\n"
    "  strandex-cli xpl     PLAYLIST [--source SOURCE] [options]   Read XPL\n"
    "  strandex-cli mux     SOURCE [options]   as demux, then one MKV of the streams made\n"
    "                       by mkvmerge (Debian package mkvtoolnix)\n"
    "Options:\n"
    "  -o, --output-dir DIR   output folder; default: the current folder\n"
    "  --video-ext E  --audio-ext E  --sub-ext E   output extensions (mpv, mpa, sup)\n"
    "  --streams LIST   comma-separated slots kept ticked before demux/rebuild:\n"
    "                   video0, video1, audio0..audio15, sub0..sub15 (default: all found)\n"
    "  --xpl PLAYLIST   (demux, rebuild) fill the selection by Read XPL instead of Read EVO\n"
    "  --no-continue    do not continue with the second EVO of a feature\n"
    "  --full           read the whole file (no fast EVO checking)\n"
    "  --no-count       do not count frames\n"
    "  --no-details     no detailed stream information\n"
    "  --boxes          after the log, one line per stream box:\n"
    "                   name TAB enabled TAB ticked TAB caption\n"
    "  --tree, --memo   (xpl) after the log, the playlist tree / memo\n"
    "  --times          how long each step took, on standard error\n"
    "  --codec-files    (demux) name each file by its coding (.vc1, .eac3, .wav ...)\n"
    "                   and write LPCM as WAV\n"
    "  --chapters       (demux) also write the title's chapters found by --xpl:\n"
    "                   BASE.chapters.txt and BASE.chapters.xml\n"
    "  --mux-plan       (demux) also write BASE.mkvmerge.json, the mkvmerge options\n"
    "                   file that makes BASE.mkv; implies --codec-files and --chapters\n"
    "  --keep-streams   (mux) keep the stream, chapter and plan files after muxing\n"
    "  --report FILE    after the command, a JSON report of the source, its streams\n"
    "                   and the playlist's title and chapters\n"
    "  -h, --help       this text\n"
    "Stdout holds exactly the log lines; errors go to stderr (exit 1, usage errors 2).\n"
    "A source found encrypted is named on stderr after the log (exit 3 when no error).\n"
    "Ctrl-C stops the run after its current block; a second Ctrl-C ends at once.\n";

namespace {

const std::set<std::string> kCommands{"read", "demux", "rebuild", "xpl", "mux"};

std::vector<std::string> splitList(const std::string& list) {
    std::vector<std::string> items;
    std::stringstream in(list);
    std::string item;
    while (std::getline(in, item, ','))
        if (!item.empty()) items.push_back(item);
    return items;
}

bool validStreamName(const std::string& name) {
    auto numbered = [&](const std::string& stem, int count) {
        if (name.rfind(stem, 0) != 0) return false;
        std::string digits = name.substr(stem.size());
        if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        if (digits.size() == 2 && digits[0] == '0') return false;
        return std::stoi(digits) < count;
    };
    return numbered("video", 2) || numbered("audio", 16) || numbered("sub", 16);
}

}  // namespace

CliOptions parseOptions(const std::vector<std::string>& args) {
    CliOptions o;
    std::vector<std::string> positional;
    for (std::size_t k = 0; k < args.size(); ++k) {
        const std::string& a = args[k];
        auto value = [&]() -> std::string {
            if (k + 1 >= args.size()) throw UsageError{"option " + a + " needs a value"};
            return args[++k];
        };
        if (a == "-h" || a == "--help") o.help = true;
        else if (a == "-o" || a == "--output-dir") o.outputDir = value();
        else if (a == "--video-ext") o.videoExt = value();
        else if (a == "--audio-ext") o.audioExt = value();
        else if (a == "--sub-ext") o.subExt = value();
        else if (a == "--streams") o.streams = splitList(value());
        else if (a == "--xpl") o.xpl = value();
        else if (a == "--source") o.source = value();
        else if (a == "--no-continue") o.noContinue = true;
        else if (a == "--full") o.full = true;
        else if (a == "--no-count") o.noCount = true;
        else if (a == "--no-details") o.noDetails = true;
        else if (a == "--boxes") o.boxes = true;
        else if (a == "--tree") o.tree = true;
        else if (a == "--memo") o.memo = true;
        else if (a == "--times") o.times = true;
        else if (a == "--codec-files") o.codecFiles = true;
        else if (a == "--chapters") o.chapters = true;
        else if (a == "--mux-plan") o.muxPlan = true;
        else if (a == "--keep-streams") o.keepStreams = true;
        else if (a == "--report") o.report = value();
        else if (a.size() > 1 && a[0] == '-') throw UsageError{"unknown option " + a};
        else positional.push_back(a);
    }
    if (o.help) return o;
    if (positional.empty()) throw UsageError{"no command given"};
    o.command = positional[0];
    if (!kCommands.count(o.command)) throw UsageError{"unknown command " + o.command};
    if (positional.size() != 2) throw UsageError{o.command + " takes exactly one file"};
    o.input = positional[1];
    bool demuxes = o.command == "demux" || o.command == "mux";
    if (!o.xpl.empty() && !demuxes && o.command != "rebuild")
        throw UsageError{"--xpl is for demux, mux and rebuild"};
    if (!o.source.empty() && o.command != "xpl") throw UsageError{"--source is for xpl"};
    if (o.codecFiles && !demuxes) throw UsageError{"--codec-files is for demux and mux"};
    if (o.chapters && !demuxes) throw UsageError{"--chapters is for demux and mux"};
    if (o.muxPlan && o.command != "demux") throw UsageError{"--mux-plan is for demux"};
    if (o.keepStreams && o.command != "mux") throw UsageError{"--keep-streams is for mux"};
    if (o.report && o.report->empty()) throw UsageError{"option --report needs a value"};
    if (o.streams)
        for (const auto& name : *o.streams)
            if (!validStreamName(name)) throw UsageError{"unknown stream " + name + " in --streams"};
    for (const auto* ext : {&o.videoExt, &o.audioExt, &o.subExt})
        if (*ext && (*ext)->size() > 5) throw UsageError{"an extension has at most 5 characters"};
    return o;
}

}  // namespace strandex
