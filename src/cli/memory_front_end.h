// A front end whose controls live in memory: the console front end, and the
// stand-in window of the tests. Controls start as the window's do.
#pragma once
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "engine/front_end.h"

namespace strandex {

struct BoxState {
    bool ticked = false;
    bool enabled = false;
    std::string caption;
    std::string hint;
};

struct TreeItem {
    int parent;  // -1 for a top-level item
    std::string text;
};

class MemoryFrontEnd : public FrontEnd {
public:
    MemoryFrontEnd();

    void setEnabled(Button b, bool on) override;
    bool enabled(Button b) const override;
    std::string text(Edit e) const override;
    void setText(Edit e, const std::string& s) override;
    bool ticked(Box b) const override;
    void setTicked(Box b, bool on) override;
    bool boxEnabled(Box b) const override;
    void setBoxEnabled(Box b, bool on) override;
    std::string caption(Box b) const override;
    void setCaption(Box b, const std::string& s) override;
    void setHint(Box b, const std::string& s) override;
    void showPage(Page p) override;
    void xplClear() override;
    void xplAppend(const std::string& line) override;
    int xplCount() const override;
    std::string xplLine(int index) const override;
    void xplDelete(int index) override;
    void xplShow(bool visible) override;
    void treeClear() override;
    int treeAddTop(const std::string& text) override;
    int treeAddChild(int parent, const std::string& text) override;
    void log(const std::string& text) override;
    void slog(const std::string& text, std::uint8_t panel) override;
    void processEvents() override;
    void repaint() override {}
    bool confirm(const std::string& question) override;
    void warn(const std::string& text) override;

    // What the front end shows, for the console and the tests.
    std::vector<std::string> logLines;
    std::array<std::string, 2> panels{" Ready", " Select or drop an EVO file to demux"};
    std::string statusHint = " Select or drop an EVO file to demux";
    Page page = Page::tsStatus;
    std::vector<std::string> xplMemo;
    bool xplVisible = true;
    std::vector<TreeItem> tree;
    std::vector<std::string> questions;
    std::vector<std::string> notices;  // given by warn, in order

    // Hooks: a new log line, a panel change, the event pump, the answer to
    // a question (Yes unless set).
    std::function<void(const std::string&)> onLog;
    std::function<void()> onStatus;
    std::function<void()> onEvents;
    std::function<bool(const std::string&)> onConfirm;

private:
    std::array<bool, kButtonCount> buttons_{};
    std::array<std::string, kEditCount> edits_{};
    std::array<BoxState, kBoxCount> boxes_{};
};

}  // namespace strandex
