// Where a stream header analyser writes its lines. The analysers know
// nothing of the front end: a run hands them a sink that puts each line at
// the end of the Status memo; the tests and fuzz targets one that keeps the
// lines. An analyser runs once per slot and run, so one virtual call a line
// costs nothing worth saving.
#pragma once
#include <string>
#include <vector>

namespace strandex {

class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void line(const std::string& text) = 0;
};

// Keeps every line, in the order written.
class LineList final : public LineSink {
public:
    std::vector<std::string> lines;

    void line(const std::string& text) override { lines.push_back(text); }
};

// Keeps none: for a reader run only for what it finds (the frame rate).
class NoLines final : public LineSink {
public:
    void line(const std::string&) override {}
};

}  // namespace strandex
