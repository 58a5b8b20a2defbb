// The window as a Linux desktop shows it: the title bar's text, the
// desktop's fonts, status panels that no hover hides, a drag accepted only
// for the files a drop takes, and file dialogs whose filters read plainly.
#include <QAbstractButton>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QtTest>

#include "app/tf_main.h"
#include "app/window_identity.h"
#include "version.h"
#include "window/window_support.h"

// The title bar shows what the platform window makes of windowTitle():
// QtGui exports the rule, which only its private headers declare.
class QPlatformWindow {
public:
    static QString formatWindowTitle(const QString& title, const QString& separator);
};

using namespace strandex;
using namespace strandex::test;

namespace {

bool dragAccepted(TfMain& w, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&w, &enter);
    return enter.isAccepted();
}

QStringList shownFilters(QFileDialog& d) {
    QStringList shown;
    if (auto* combo = d.findChild<QComboBox*>("fileTypeCombo"))
        for (int k = 0; k < combo->count(); ++k) shown << combo->itemText(k);
    return shown;
}

}  // namespace

class WindowDesktopTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keepSettingsInTemp(dir_);
        nameApplication();
    }

    void titleBarReadsTheProgramAndItsVersionAlone() {
        TfMain w;
        QCOMPARE(w.windowTitle(), QString("Strandex ") + kVersion);
        QCOMPARE(QPlatformWindow::formatWindowTitle(w.windowTitle(), QString::fromUtf8(" \u2014 ")),
                 QString("Strandex 0.614"));
        QCOMPARE(QGuiApplication::desktopFileName(), QString("strandex"));
        QCOMPARE(QString(kTaskBarName), QString("HD DVD Strandex"));
    }

    void windowUsesTheDesktopsFonts() {
        TfMain w;
        const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        QCOMPARE(w.font(), QApplication::font());
        QCOMPARE(w.button(Button::bCheck)->font(), QApplication::font());
        QCOMPARE(w.memo()->font().family(), fixed.family());
        QCOMPARE(w.memo()->font().pointSize(), fixed.pointSize());
        QCOMPARE(w.xplMemo()->font().family(), fixed.family());
        QCOMPARE(w.xplMemo()->font().pointSize(), fixed.pointSize());
    }

    // The pointer over the source edit shows its hint's first part as the
    // tool tip; the panels stay, whatever status tip arrives.
    void panelsStayWhileTheMouseIsOverTheSourceEdit() {
        TfMain w;
        TempStore store(dir_, "hover.ini");
        QVERIFY(showWithStore(w, store.get()));
        QLineEdit* source = w.edit(Edit::eEVOfile);
        QCOMPARE(source->toolTip(), QString("Drop here the source EVO file"));
        QTest::mouseMove(&w, QPoint(w.width() / 2, w.height() / 2));
        QTest::mouseMove(source, source->rect().center());
        QVERIFY(w.statusBar()->currentMessage().isEmpty());
        QVERIFY(w.panel(0)->isVisible());
        QVERIFY(w.panel(1)->isVisible());
        QStatusTipEvent tip("You cannot write here directly");
        QApplication::sendEvent(source, &tip);
        QVERIFY(w.statusBar()->currentMessage().isEmpty());
        QVERIFY(w.panel(0)->isVisible() && w.panel(1)->isVisible());
        for (const QWidget* child : w.findChildren<QWidget*>())
            QVERIFY2(child->statusTip().isEmpty(), qPrintable(child->objectName()));
    }

    // Accepted exactly when the drop takes the file: the first one of the
    // drag, a local file named .evo, .vob or .xpl in any case.
    void dragIsAcceptedOnlyForAFileTheDropTakes() {
        struct Case {
            QList<QUrl> urls;
            bool taken;
        };
        auto file = [this](const char* name) { return QUrl::fromLocalFile(path(name)); };
        const QList<Case> cases{
            {{file("HVDVD_TS/FEATURE_1.EVO")}, true},
            {{file("copy/feature_1.evo")}, true},
            {{file("VIDEO_TS/VTS_01_1.Vob")}, true},
            {{file("ADV_OBJ/VPLST000.XPL")}, true},
            {{file("lists/vplst001.xpl")}, true},
            {{file("FEATURE_1.EVO"), file("notes.txt")}, true},
            {{file("notes.txt"), file("FEATURE_1.EVO")}, false},
            {{file("notes.txt")}, false},
            {{file("FEATURE_1.EVOB")}, false},
            {{file("FEATURE_1")}, false},
            {{file("evo")}, false},
            {{QUrl("https://example.org/FEATURE_1.EVO")}, false},
            {{}, false},
        };
        for (const Case& c : cases) {
            TfMain w;
            TempStore store(dir_, "drag.ini");
            QVERIFY(showWithStore(w, store.get()));  // a drop target once shown
            const QString name = c.urls.isEmpty() ? QString("nothing") : c.urls.first().toString();
            QVERIFY2(dragAccepted(w, c.urls) == c.taken, qPrintable(name));
            // The drop's own rule agrees: what it takes fills an edit.
            if (!c.urls.isEmpty() && c.urls.first().isLocalFile()) {
                w.dropFile(c.urls.first().toLocalFile());
                const bool filled = !w.edit(Edit::eEVOfile)->text().isEmpty() ||
                                    w.edit(Edit::eXPLfile)->text().contains("/");
                QVERIFY2(filled == c.taken, qPrintable(name));
            }
        }
        // No promise while a command reads: the drop would be ignored.
        TfMain w;
        TempStore store(dir_, "busy.ini");
        QVERIFY(showWithStore(w, store.get()));
        bool acceptedWhileBusy = true;
        w.confirmHook = [&](const QString&) { return false; };
        w.errorHook = [&](const QString&) { acceptedWhileBusy = dragAccepted(w, {file("B.EVO")}); };
        w.dropFile(path("missing/A.EVO"));
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);  // fails to open, inside the run
        QVERIFY(!acceptedWhileBusy);
        QVERIFY(dragAccepted(w, {file("B.EVO")}));
    }

    // The dialogs are the desktop's own outside tests, and their filters
    // show their patterns plainly, one for each case of the names (the
    // source dialog test lists what they let through).
    void dialogFiltersReadPlainlyAndMatchEitherCase() {
        TfMain w;
        QFileDialog* source = w.sourceDialog();
        QFileDialog* playlist = w.playlistDialog();
        QVERIFY(!source->testOption(QFileDialog::DontUseNativeDialog));
        QVERIFY(!playlist->testOption(QFileDialog::DontUseNativeDialog));
        const QStringList sourceFilters{"EVOB files (HD DVD) (*.evo *.EVO)", "VOB files (DVD) (*.vob *.VOB)"};
        QCOMPARE(source->nameFilters(), sourceFilters);
        QCOMPARE(shownFilters(*source), sourceFilters);
        const QStringList playlistFilters{"XPL (VPLST000.XPL vplst000.xpl)",
                                          "DVD title set (VTS_*_0.IFO vts_*_0.ifo)"};
        QCOMPARE(playlist->nameFilters(), playlistFilters);
        QCOMPARE(shownFilters(*playlist), playlistFilters);
    }
};

QTEST_MAIN(WindowDesktopTest)
#include "window_desktop_test.moc"
