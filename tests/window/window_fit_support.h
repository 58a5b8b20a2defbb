// Whether the window shows its texts whole: every visible control that
// carries a text is at least as large as its size hint, the tab bar shows
// every tab, and the extension edits show their text.
#pragma once
#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTabBar>

namespace strandex::test {

inline QString describe(const QWidget* w, const QSize& need) {
    return QString("%1 \"%2\": %3x%4 < %5x%6")
        .arg(w->objectName(), w->property("caption").toString(), QString::number(w->width()),
             QString::number(w->height()), QString::number(need.width()), QString::number(need.height()));
}

inline bool covers(const QSize& have, const QSize& need) {
    return have.width() >= need.width() && have.height() >= need.height();
}

// The room a line edit leaves for its text, as QLineEdit lays it out.
inline int textRoom(const QLineEdit* e) {
    QStyleOptionFrame frame;
    frame.initFrom(e);
    frame.lineWidth = e->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &frame, e);
    const QRect contents = e->style()->subElementRect(QStyle::SE_LineEditContents, &frame, e);
    const QMargins text = e->textMargins();
    constexpr int kLineEditSideMargin = 2;  // QLineEdit's own, each side
    return contents.width() - text.left() - text.right() - 2 * kLineEditSideMargin;
}

// Each visible text-bearing widget under `root` that is smaller than it
// needs, described; empty when all fit.
inline QStringList cutTexts(const QWidget* root) {
    QStringList cut;
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (!w->isVisible()) continue;
        if (auto* b = qobject_cast<const QAbstractButton*>(w); b && !b->text().isEmpty()) {
            if (!covers(b->size(), b->sizeHint())) cut << describe(b, b->sizeHint());
        } else if (auto* l = qobject_cast<const QLabel*>(w); l && !l->text().isEmpty()) {
            if (!covers(l->size(), l->sizeHint())) cut << describe(l, l->sizeHint());
        } else if (auto* t = qobject_cast<const QTabBar*>(w)) {
            if (!covers(t->size(), t->sizeHint())) cut << describe(t, t->sizeHint());
            for (int k = 0; k < t->count(); ++k)
                if (!t->rect().contains(t->tabRect(k))) cut << "tab " + t->tabText(k);
        } else if (auto* g = qobject_cast<const QGroupBox*>(w)) {
            if (!covers(g->size(), g->minimumSizeHint())) cut << describe(g, g->minimumSizeHint());
        } else if (auto* s = qobject_cast<const QStatusBar*>(w)) {
            if (s->height() < s->sizeHint().height()) cut << describe(s, s->sizeHint());
        } else if (auto* e = qobject_cast<const QLineEdit*>(w)) {
            // Paths scroll in their edits; short texts are shown whole.
            const int need = e->fontMetrics().horizontalAdvance(e->text());
            if (e->height() < e->sizeHint().height() || (e->maxLength() <= 5 && textRoom(e) < need))
                cut << describe(e, QSize(need, e->sizeHint().height()));
        }
    }
    return cut;
}

}  // namespace strandex::test
