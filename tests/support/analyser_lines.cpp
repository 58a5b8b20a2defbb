#include "support/analyser_lines.h"

#include <algorithm>
#include <memory>

namespace strandex::test {

std::vector<std::string> analyserLines(const AnalyserRun& run, const std::uint8_t* data, std::size_t length) {
    auto copy = std::make_unique<std::uint8_t[]>(length);
    std::copy(data, data + length, copy.get());
    LineList out;
    run(copy.get(), length, out);
    return out.lines;
}

}  // namespace strandex::test
