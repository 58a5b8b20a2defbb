// What the logic needs of a front end: the window supplies it with widgets,
// the console front end keeps the controls in memory.
#pragma once
#include <cstdint>
#include <string>

#include "engine/controls.h"

namespace strandex {

class FrontEnd {
public:
    virtual ~FrontEnd() = default;

    virtual void setEnabled(Button b, bool on) = 0;
    virtual bool enabled(Button b) const = 0;

    virtual std::string text(Edit e) const = 0;
    virtual void setText(Edit e, const std::string& s) = 0;

    // Setting a stream box's tick to a new value runs cbVideoClick, exactly
    // as a user's click does.
    virtual bool ticked(Box b) const = 0;
    virtual void setTicked(Box b, bool on) = 0;
    virtual bool boxEnabled(Box b) const = 0;
    virtual void setBoxEnabled(Box b, bool on) = 0;
    virtual std::string caption(Box b) const = 0;
    virtual void setCaption(Box b, const std::string& s) = 0;
    virtual void setHint(Box b, const std::string& s) = 0;

    virtual void showPage(Page p) = 0;

    // The playlist memo mXPL.
    virtual void xplClear() = 0;
    virtual void xplAppend(const std::string& line) = 0;
    virtual int xplCount() const = 0;
    virtual std::string xplLine(int index) const = 0;
    virtual void xplDelete(int index) = 0;
    virtual void xplShow(bool visible) = 0;

    // The playlist tree tvXPL; items are named by the handle they return.
    virtual void treeClear() = 0;
    virtual int treeAddTop(const std::string& text) = 0;
    virtual int treeAddChild(int parent, const std::string& text) = 0;

    // One line at the end of the Status memo, exactly as given.
    virtual void log(const std::string& text) = 0;
    // Status panel 0 (phase word) or 1 (progress and detail).
    virtual void slog(const std::string& text, std::uint8_t panel) = 0;

    // Lets pending events run; the only point where Cancel can act.
    virtual void processEvents() = 0;
    virtual void repaint() = 0;
    virtual bool confirm(const std::string& question) = 0;
    // A notice the user must not miss, given once a command's log is
    // complete: the window shows it in a message box, the console on
    // standard error.
    virtual void warn(const std::string& text) = 0;
};

// A stream box selects its stream only while it is both enabled and ticked:
// a disabled box stands for "no stream" (its caption says so) and the user
// cannot untick it, so a tick left on it from an earlier command selects
// nothing.
inline bool selected(const FrontEnd& ui, Box b) { return ui.boxEnabled(b) && ui.ticked(b); }

}  // namespace strandex
