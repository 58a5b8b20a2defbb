// The analyser targets: the first input bytes are the call's parameters,
// the rest is the chunk, handed over as an exact-size heap copy so that
// AddressSanitizer stops any read past its end.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/front_end.h"
#include "fuzz_common.h"

namespace strandex::fuzz {

// The analysers only write log lines: any other use of the front end is a
// finding.
class LogOnlyFrontEnd : public FrontEnd {
public:
    std::vector<std::string> lines;

    void log(const std::string& text) override { lines.push_back(text); }

    void setEnabled(Button, bool) override { touched("setEnabled"); }
    bool enabled(Button) const override { touched("enabled"); }
    std::string text(Edit) const override { touched("text"); }
    void setText(Edit, const std::string&) override { touched("setText"); }
    bool ticked(Box) const override { touched("ticked"); }
    void setTicked(Box, bool) override { touched("setTicked"); }
    bool boxEnabled(Box) const override { touched("boxEnabled"); }
    void setBoxEnabled(Box, bool) override { touched("setBoxEnabled"); }
    std::string caption(Box) const override { touched("caption"); }
    void setCaption(Box, const std::string&) override { touched("setCaption"); }
    void setHint(Box, const std::string&) override { touched("setHint"); }
    void showPage(Page) override { touched("showPage"); }
    void xplClear() override { touched("xplClear"); }
    void xplAppend(const std::string&) override { touched("xplAppend"); }
    int xplCount() const override { touched("xplCount"); }
    std::string xplLine(int) const override { touched("xplLine"); }
    void xplDelete(int) override { touched("xplDelete"); }
    void xplShow(bool) override { touched("xplShow"); }
    void treeClear() override { touched("treeClear"); }
    int treeAddTop(const std::string&) override { touched("treeAddTop"); }
    int treeAddChild(int, const std::string&) override { touched("treeAddChild"); }
    void slog(const std::string&, std::uint8_t) override { touched("slog"); }
    void processEvents() override { touched("processEvents"); }
    void repaint() override { touched("repaint"); }
    bool confirm(const std::string&) override { touched("confirm"); }
    void warn(const std::string&) override { touched("warn"); }

private:
    [[noreturn]] static void touched(const char* what) { fail(std::string("an analyser called ") + what); }
};

// The log lines of one analyser call over a heap copy of data[0, n).
using AnalyserCall = std::function<void(const std::uint8_t*, std::size_t, FrontEnd&)>;

inline std::vector<std::string> analyse(const AnalyserCall& call, const std::uint8_t* data, std::size_t n) {
    std::unique_ptr<std::uint8_t[]> chunk(new std::uint8_t[n]);
    std::copy(data, data + n, chunk.get());
    LogOnlyFrontEnd ui;
    call(chunk.get(), n, ui);
    return ui.lines;
}

// The checks every analyser passes: its lines are detail lines (two or
// three blanks, then text); a second call gives the same lines; and as it
// reads one byte at a time and never waits for later bytes, the lines of
// any cut of the chunk are the first lines of the whole chunk's.
inline void checkAnalyser(const AnalyserCall& call, const std::uint8_t* data, std::size_t n, std::size_t cutSeed) {
    std::vector<std::string> whole = analyse(call, data, n);
    for (const auto& line : whole)
        require(line.size() > 2 && line.compare(0, 2, "  ") == 0 && line[2] != '\0',
                "a line that is no detail line: '" + line + "'\n" + joined(whole));
    require(analyse(call, data, n) == whole, "a second call logs other lines:\n" + joined(whole));
    for (std::size_t cut : {n == 0 ? 0 : cutSeed % (n + 1), n / 2}) {
        std::vector<std::string> part = analyse(call, data, cut);
        bool prefix = part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
        require(prefix, "the first " + std::to_string(cut) + " bytes log lines that the whole chunk does not:\n" +
                            joined(part) + "whole:\n" + joined(whole));
    }
}

inline std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

}  // namespace strandex::fuzz
