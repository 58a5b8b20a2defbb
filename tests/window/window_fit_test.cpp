// The window at the fonts people use (8 to 14 points) shows every caption,
// label, tab, button and box text whole on every page, also at its least
// size and after "Read XPL" gives the boxes long captions; its least size
// follows its content and never goes below the designed least outer size.
// ctest runs this program a second time at a device-pixel ratio of 2.
#include <QCheckBox>
#include <QFile>
#include <QGridLayout>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QtTest>

#include "app/tf_main.h"
#include "window/window_fit_support.h"
#include "window/window_support.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// Layouts follow a change through posted events; a text still cut after
// this long stays cut.
constexpr int kLayoutWaitMs = 2000;

#define QVERIFY_NONE_CUT(w) do { const QStringList cut = cutOnEveryPage(w); QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; "))); } while (false)

// Every page in turn, each laid out as shown: the texts cut on any of them.
QStringList cutOnEveryPage(TfMain& w) {
    QStringList cut;
    for (int page = 0; page < w.pages()->count(); ++page) {
        w.pages()->setCurrentIndex(page);
        // The window grows to a page's least size once that page is shown.
        static_cast<void>(QTest::qWaitFor([&] { return cutTexts(&w).isEmpty(); }, kLayoutWaitMs));
        for (const QString& c : cutTexts(&w)) cut << w.pages()->tabText(page) + ": " + c;
    }
    return cut;
}

void shrinkToLeast(TfMain& w) {
    w.resize(1, 1);
    static_cast<void>(QTest::qWaitFor([&] { return w.size() == w.minimumSize(); }, kWindowWaitMs));
}

// Long captions as "Read XPL" makes them: codec, channels, slot, language.
QString longCaption(int i) {
    if (i < 8) return QString("VC-1.stream.%1").arg(i);
    if (i < 24) return QString("DTS-HD.2ch.stream.%1.de").arg(i - 8, 2, 10, QChar('0'));
    return QString::fromUtf8("2bitRLE.stream.%1.français").arg(i - 24, 2, 10, QChar('0'));
}

}  // namespace

class WindowFitTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QFont startFont_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keepSettingsInTemp(dir_);
        startFont_ = QApplication::font();
        if (qEnvironmentVariableIsSet("QT_SCALE_FACTOR")) {
            TfMain w;
            TempStore store(dir_, "scale.ini");
            QVERIFY(showWithStore(w, store.get()));
            QCOMPARE(w.devicePixelRatio(), qEnvironmentVariable("QT_SCALE_FACTOR").toDouble());
        }
    }

    void cleanup() { QApplication::setFont(startFont_); }

    void everyTextShowsWholeOnEveryPage_data() {
        QTest::addColumn<int>("points");
        for (int points : {8, 10, 12, 14}) QTest::addRow("%d pt", points) << points;
    }

    void everyTextShowsWholeOnEveryPage() {
        QFETCH(int, points);
        QFont font = startFont_;
        font.setPointSize(points);
        QApplication::setFont(font);
        TfMain w;
        TempStore store(dir_, QString("fit%1.ini").arg(points));
        QVERIFY(showWithStore(w, store.get()));
        QCOMPARE(w.font().pointSize(), points);
        QVERIFY_NONE_CUT(w);
        shrinkToLeast(w);
        QVERIFY_NONE_CUT(w);
        QVERIFY(w.frameGeometry().width() >= 370);
        QVERIFY(w.frameGeometry().height() >= 380);

        // The logo keeps clear of the buttons beside it and inside the client.
        const QRect logo = w.logo()->geometry();
        QVERIFY(logo.left() > w.button(Button::bRebuild)->geometry().right());
        QVERIFY(logo.right() < w.button(Button::bCancel)->geometry().left());
        QVERIFY(w.centralWidget()->rect().contains(logo));

        // The boxes after "Read XPL", then with the longest captions it makes.
        QDir root(dir_.path());
        QVERIFY(root.mkpath("disc/HVDVD_TS") && root.mkpath("disc/ADV_OBJ"));
        QFile::remove(root.filePath("disc/ADV_OBJ/VPLST000.XPL"));
        QVERIFY(QFile::copy(STRANDEX_FIXTURES "/xpl/VPLST000.XPL", root.filePath("disc/ADV_OBJ/VPLST000.XPL")));
        w.errorHook = [](const QString& message) { QFAIL(qPrintable(message)); };
        w.dropFile(root.filePath("disc/HVDVD_TS/FEATURE_1.EVO"));
        QTest::mouseClick(w.button(Button::bReadXPL), Qt::LeftButton);
        QCOMPARE(w.box(audioBox(1))->text(), QString("DD+.6ch.stream.01.de"));
        shrinkToLeast(w);
        QVERIFY_NONE_CUT(w);
        for (int i = 0; i < kStreamBoxCount; ++i) {
            w.frontEnd().setCaption(boxAt(i), longCaption(i).toStdString());
            w.frontEnd().setBoxEnabled(boxAt(i), true);
        }
        shrinkToLeast(w);
        QVERIFY_NONE_CUT(w);
    }

    // A larger font while the window is open: it grows to the new texts,
    // the extension edits too.
    void aFontChangeWhileOpenRefitsTheWindow() {
        QFont small = startFont_;
        small.setPointSize(8);
        QApplication::setFont(small);
        TfMain w;
        TempStore store(dir_, "refit.ini");
        QVERIFY(showWithStore(w, store.get()));
        const QSize before = w.minimumSize();
        const int extension = w.edit(Edit::eVideoExt)->width();
        QFont large = startFont_;
        large.setPointSize(14);
        w.setFont(large);
        QVERIFY_NONE_CUT(w);
        QVERIFY(w.minimumSize().width() > before.width());
        QVERIFY(w.edit(Edit::eVideoExt)->width() > extension);
        QCOMPARE(w.box(audioBox(0))->font().pointSize(), 14);  // the pages follow the window's font
    }

    // The muxing box sits in the first column of option boxes, under
    // "Name files by codec", and shows its whole text at every font.
    void muxBoxSitsUnderTheCodecBox_data() { everyTextShowsWholeOnEveryPage_data(); }

    void muxBoxSitsUnderTheCodecBox() {
        QFETCH(int, points);
        QFont font = startFont_;
        font.setPointSize(points);
        QApplication::setFont(font);
        TfMain w;
        TempStore store(dir_, "slot.ini");
        QVERIFY(showWithStore(w, store.get()));
        QWidget* page = w.pages()->widget(5);
        w.pages()->setCurrentWidget(page);
        QGridLayout* column = nullptr;
        for (QGridLayout* grid : page->findChildren<QGridLayout*>())
            if (grid->indexOf(w.box(Box::cbContinue)) >= 0) column = grid;
        QVERIFY(column);
        auto at = [&](Box b) {
            int row = -1, col = -1, rows = 0, cols = 0;
            column->getItemPosition(column->indexOf(w.box(b)), &row, &col, &rows, &cols);
            return QPoint(col, row);
        };
        QCOMPARE(at(Box::cbCodecFiles), QPoint(0, 2));
        QCOMPARE(at(Box::cbMuxMkv), QPoint(0, 3));
        shrinkToLeast(w);
        QVERIFY_NONE_CUT(w);
        QCOMPARE(w.box(Box::cbMuxMkv)->x(), w.box(Box::cbCodecFiles)->x());
    }

    // At a font where the design fits, the window starts at its designed
    // client size; where it does not, at the least size of its content.
    void startsAtTheDesignedSizeOrTheLeastItsContentTakes() {
        for (int points : {6, 14}) {
            QFont font = startFont_;
            font.setPointSize(points);
            QApplication::setFont(font);
            TfMain w;
            QCOMPARE(w.size(), QSize(362, 346).expandedTo(w.minimumSize()));
            QCOMPARE(w.minimumSize().expandedTo(QSize(362, 346)), w.minimumSize());
        }
        QFont large = startFont_;
        large.setPointSize(14);
        QApplication::setFont(large);
        TfMain w;
        QVERIFY(w.minimumSize().width() > 362);
        QVERIFY(w.minimumSize().height() > 346);
    }

    // A long progress line does not widen the window: the panel is only as
    // wide as the bar lets it be, and its whole text is the bar's hint.
    void progressLinesLeaveTheWindowItsSize() {
        TfMain w;
        TempStore store(dir_, "progress.ini");
        QVERIFY(showWithStore(w, store.get()));
        const QSize before = w.minimumSize();
        w.frontEnd().slog("Reading FEATURE_1.EVO 4/400 Mbytes, Remaining time: 0:00:01 and some more words", 1);
        QCoreApplication::sendPostedEvents();
        QCOMPARE(w.minimumSize(), before);
    }
};

QTEST_MAIN(WindowFitTest)
#include "window_fit_test.moc"
