#include "app/window_front_end.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTreeWidget>

#include "app/tf_main.h"
#include "commands/stream_selection.h"

namespace strandex {

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }
std::string s(const QString& q) { return q.toStdString(); }
// A caption is shown as text, never as a keyboard mnemonic.
QString shownCaption(const QString& caption) { return QString(caption).replace("&", "&&"); }
}  // namespace

void WindowFrontEnd::setEnabled(Button b, bool on) {
    w_.buttonEnabled_[static_cast<std::size_t>(b)] = on;
    w_.applyButtonStates();
}

bool WindowFrontEnd::enabled(Button b) const { return w_.buttonEnabled_[static_cast<std::size_t>(b)]; }
std::string WindowFrontEnd::text(Edit e) const { return s(w_.edit(e)->text()); }
void WindowFrontEnd::setText(Edit e, const std::string& t) { w_.edit(e)->setText(q(t)); }
bool WindowFrontEnd::ticked(Box b) const { return w_.box(b)->isChecked(); }

// The boxes' toggled signal runs the selection rule, so a tick set here
// acts exactly as a click.
void WindowFrontEnd::setTicked(Box b, bool on) { w_.box(b)->setChecked(on); }

bool WindowFrontEnd::boxEnabled(Box b) const { return w_.box(b)->isEnabled(); }
void WindowFrontEnd::setBoxEnabled(Box b, bool on) { w_.box(b)->setEnabled(on); }

std::string WindowFrontEnd::caption(Box b) const {
    return s(w_.box(b)->property("caption").toString());
}

void WindowFrontEnd::setCaption(Box b, const std::string& t) {
    QCheckBox* box = w_.box(b);
    box->setProperty("caption", q(t));
    box->setText(shownCaption(q(t)));
    box->setAccessibleName(q(t));
}

void WindowFrontEnd::setHint(Box b, const std::string& t) { w_.box(b)->setToolTip(q(t)); }
void WindowFrontEnd::showPage(Page p) { w_.PageControl->setCurrentIndex(static_cast<int>(p)); }
void WindowFrontEnd::xplClear() { w_.mXPL->clear(); }
void WindowFrontEnd::xplAppend(const std::string& line) { w_.mXPL->appendPlainText(q(line)); }

int WindowFrontEnd::xplCount() const {
    // An empty memo still holds one empty block.
    if (w_.mXPL->document()->isEmpty()) return 0;
    return w_.mXPL->document()->blockCount();
}

std::string WindowFrontEnd::xplLine(int index) const {
    if (index < 0 || index >= xplCount()) return "";
    return s(w_.mXPL->document()->findBlockByNumber(index).text());
}

void WindowFrontEnd::xplDelete(int index) {
    int count = xplCount();
    if (index < 0 || index >= count) return;
    QTextCursor cursor(w_.mXPL->document()->findBlockByNumber(index));
    cursor.select(QTextCursor::BlockUnderCursor);
    if (index == 0 && count > 1) {
        // The first block has no line break before it: take the one after.
        cursor.movePosition(QTextCursor::StartOfBlock);
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
    }
    cursor.removeSelectedText();
}

void WindowFrontEnd::xplShow(bool visible) { w_.mXPL->setVisible(visible); }

void WindowFrontEnd::treeClear() {
    w_.tvXPL->clear();
    w_.treeItems_.clear();
}

int WindowFrontEnd::treeAddTop(const std::string& t) {
    auto* item = new QTreeWidgetItem(w_.tvXPL, QStringList{q(t)});
    w_.treeItems_.push_back(item);
    return static_cast<int>(w_.treeItems_.size()) - 1;
}

int WindowFrontEnd::treeAddChild(int parent, const std::string& t) {
    if (parent < 0 || parent >= static_cast<int>(w_.treeItems_.size())) return treeAddTop(t);
    auto* item = new QTreeWidgetItem(w_.treeItems_[static_cast<std::size_t>(parent)], QStringList{q(t)});
    w_.treeItems_.push_back(item);
    return static_cast<int>(w_.treeItems_.size()) - 1;
}

// The newest line stays in view, also when a wide line has just brought the
// horizontal scroll bar in over the bottom of the memo.
void WindowFrontEnd::log(const std::string& t) {
    // Every call is a line, an empty one too: the memo's first block is the
    // first line, each later line a block of its own.
    QTextCursor cursor(w_.mMessage->document());
    cursor.movePosition(QTextCursor::End);
    if (w_.loggedLines_++ > 0) cursor.insertBlock();
    cursor.insertText(q(t));
    QScrollBar* bar = w_.mMessage->verticalScrollBar();
    bar->setValue(bar->maximum());
}

// The panel fits its new text plus one letter, shrinking as well as growing;
// the progress panel also sets the status bar's hint. Repainted at once,
// since a command does not return to the event loop until it ends.
void WindowFrontEnd::slog(const std::string& t, std::uint8_t panel) {
    QLabel* label = w_.panel(panel & 1);
    QString shown = " " + q(t);
    label->setText(shown);
    setPanelWidth(label, QFontMetrics(w_.statusBar()->font()).horizontalAdvance(shown + "a"));
    if (panel == 1) w_.statusBar()->setToolTip(q(t));
    w_.statusBar()->repaint();
}

void WindowFrontEnd::processEvents() { QCoreApplication::processEvents(); }
void WindowFrontEnd::repaint() { w_.repaint(); }
bool WindowFrontEnd::confirm(const std::string& question) { return w_.ask(q(question)); }
void WindowFrontEnd::warn(const std::string& text) { w_.showNotice(q(text)); }

}  // namespace strandex
