// The window's side of the front-end interface: each operation acts on the
// widget of the control it names.
#pragma once
#include "engine/front_end.h"

namespace strandex {

class TfMain;

class WindowFrontEnd : public FrontEnd {
public:
    explicit WindowFrontEnd(TfMain& window) : w_(window) {}

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
    void repaint() override;
    bool confirm(const std::string& question) override;
    void warn(const std::string& text) override;

private:
    TfMain& w_;
};

}  // namespace strandex
