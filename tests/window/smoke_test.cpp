// The window starts with its controls as a new user sees them.
#include <QCheckBox>
#include <QLabel>
#include <QtTest>

#include "app/tf_main.h"
#include "version.h"

using namespace strandex;

class SmokeTest : public QObject {
    Q_OBJECT
private slots:
    void startsWithItsInitialControls() {
        TfMain w;
        QCOMPARE(w.windowTitle(), QString("Strandex ") + kVersion);
        QVERIFY(!w.button(Button::bCheck)->isEnabled());
        QVERIFY(w.button(Button::bRebuild)->isEnabled());
        QCOMPARE(w.box(audioBox(3))->objectName(), QString("cbAudio03"));
        QCOMPARE(w.panel(0)->text(), QString(" Ready"));
        QVERIFY(!w.logo()->pixmap().isNull());
        QCOMPARE(w.logo()->pixmap().size(), QSize(125, 31));
    }
};

QTEST_MAIN(SmokeTest)
#include "smoke_test.moc"
