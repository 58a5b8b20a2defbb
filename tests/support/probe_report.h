// ffprobe's reports of the analysers' fixtures: one stream a line, written
// as key=value pairs joined by '|'; lines starting with '#' are comments.
#pragma once
#include <map>
#include <string>
#include <vector>

namespace strandex::test {

using ProbeEntry = std::map<std::string, std::string>;

// Every entry of the report; throws when the file cannot be read.
std::vector<ProbeEntry> readProbeReport(const std::string& path);

}  // namespace strandex::test
