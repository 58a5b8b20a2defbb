// The analyser targets: the first input bytes are the call's parameters,
// the rest is the chunk, handed over as an exact-size heap copy so that
// AddressSanitizer stops any read past its end.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_common.h"
#include "support/analyser_lines.h"

namespace strandex::fuzz {

// An analyser call with its parameters bound; analyserLines runs it over a
// heap copy of the chunk.
using test::AnalyserRun;
using test::analyserLines;

// The checks every analyser passes: its lines are detail lines (two or
// three blanks, then text); a second call gives the same lines; and as it
// reads one byte at a time and never waits for later bytes, the lines of
// any cut of the chunk are the first lines of the whole chunk's.
inline void checkAnalyser(const AnalyserRun& call, const std::uint8_t* data, std::size_t n, std::size_t cutSeed) {
    std::vector<std::string> whole = analyserLines(call, data, n);
    for (const auto& line : whole)
        require(line.size() > 2 && line.compare(0, 2, "  ") == 0 && line[2] != '\0',
                "a line that is no detail line: '" + line + "'\n" + joined(whole));
    require(analyserLines(call, data, n) == whole, "a second call logs other lines:\n" + joined(whole));
    for (std::size_t cut : {n == 0 ? 0 : cutSeed % (n + 1), n / 2}) {
        std::vector<std::string> part = analyserLines(call, data, cut);
        bool prefix = part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
        require(prefix, "the first " + std::to_string(cut) + " bytes log lines that the whole chunk does not:\n" +
                            joined(part) + "whole:\n" + joined(whole));
    }
}

inline std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

}  // namespace strandex::fuzz
