#include "support/probe_report.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace strandex::test {

std::vector<ProbeEntry> readProbeReport(const std::string& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot read " + path);
    std::vector<ProbeEntry> entries;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        ProbeEntry entry;
        std::istringstream pairs(line);
        std::string pair;
        while (std::getline(pairs, pair, '|')) {
            auto eq = pair.find('=');
            if (eq != std::string::npos) entry[pair.substr(0, eq)] = pair.substr(eq + 1);
        }
        entries.push_back(entry);
    }
    return entries;
}

}  // namespace strandex::test
