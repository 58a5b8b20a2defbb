// The lines a stream header analyser writes for one chunk. The chunk is
// handed over as an exact-size heap copy, so that AddressSanitizer stops
// any read past its end. The tests and the fuzz targets share it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "analysers/line_sink.h"

namespace strandex::test {

// One analyser call with its parameters bound: the chunk and the sink.
using AnalyserRun = std::function<void(const std::uint8_t*, std::size_t, LineSink&)>;

std::vector<std::string> analyserLines(const AnalyserRun& run, const std::uint8_t* data, std::size_t length);

inline std::vector<std::string> analyserLines(const AnalyserRun& run, const std::vector<std::uint8_t>& chunk) {
    return analyserLines(run, chunk.data(), chunk.size());
}

}  // namespace strandex::test
