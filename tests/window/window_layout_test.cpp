// The window as a new user first sees it: every control with its name,
// caption, hint, initial state and place; the status panels as slog sets
// them; the log; the logo and where it sits as the window is resized.
#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QtTest>

#include "app/logo.h"
#include "app/tf_main.h"
#include "version.h"
#include "window_support.h"

using namespace strandex;
using namespace strandex::test;

namespace {

struct ButtonRow {
    Button button;
    const char* name;
    const char* caption;
    const char* hint;
    bool enabled;
};

const ButtonRow kButtons[] = {
    {Button::bCheck, "bCheck", "Read EVO", "Read the source EVO file to detect streams", false},
    {Button::bReadXPL, "bReadXPL", "Read XPL", "Read the XPL file to detect stream infos", false},
    {Button::bDemux, "bDemux", "Demux", "Demux the source EVO to streams", false},
    {Button::bRebuild, "bRebuild", "Rebuild", "", true},
    {Button::bCancel, "bCancel", "Cancel", "You can stop the actual process", false},
    {Button::bbEVO, "bbEVO", "", "Browse an EVO file", true},
    {Button::bbXPL, "bbXPL", "", "Browse the HD DVD disc's VPLST000.XPL", true},
};

QString streamCaption(int i) { return i < 8 ? "Video stream" : i < 24 ? "Audio stream" : "Subpicture"; }
QString resetCaption(int i) {
    return i < 8 ? "No video stream" : i < 24 ? "No audio stream" : "No subpicture";
}

int fitted(const TfMain& w, const QString& shown) {
    return QFontMetrics(w.statusBar()->font()).horizontalAdvance(shown + "a");
}

class PaintCounter : public QObject {
public:
    explicit PaintCounter(int& count) : count_(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count_;
        return false;
    }

private:
    int& count_;
};

}  // namespace

class WindowLayoutTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QFont startFont_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keepSettingsInTemp(dir_);
        startFont_ = QApplication::font();
    }

    void cleanup() { QApplication::setFont(startFont_); }

    void controlsStartWithTheirNamesCaptionsHintsAndStates() {
        TfMain w;
        QVERIFY(w.windowTitle().contains("Strandex"));
        QVERIFY(w.windowTitle().contains(kVersion));
        QCOMPARE(w.objectName(), QString("fMain"));
        QCOMPARE(w.font(), QApplication::font());

        for (const ButtonRow& row : kButtons) {
            QAbstractButton* b = w.button(row.button);
            QVERIFY2(b, row.name);
            QCOMPARE(b->objectName(), QString(row.name));
            QCOMPARE(w.findChild<QAbstractButton*>(row.name), b);
            if (*row.caption) QCOMPARE(b->text(), QString(row.caption));
            QCOMPARE(b->toolTip(), QString(row.hint));
            QCOMPARE(b->isEnabled(), row.enabled);
            QVERIFY2(!b->accessibleName().isEmpty(), row.name);
        }
        QVERIFY(w.button(Button::bDemux)->font().bold());
        QVERIFY(!w.button(Button::bbEVO)->icon().isNull());
        QVERIFY(!w.button(Button::bbXPL)->icon().isNull());

        QLineEdit* source = w.edit(Edit::eEVOfile);
        QCOMPARE(source->objectName(), QString("eEVOfile"));
        QVERIFY(source->isReadOnly());
        QVERIFY(source->text().isEmpty());
        QCOMPARE(source->toolTip(), QString("Drop here the source EVO file"));
        QCOMPARE(source->accessibleName(), QString("Source file"));
        QLineEdit* playlist = w.edit(Edit::eXPLfile);
        QCOMPARE(playlist->objectName(), QString("eXPLfile"));
        QVERIFY(playlist->isReadOnly());
        QVERIFY(playlist->text().isEmpty());
        QCOMPARE(playlist->toolTip(), QString("Drop here the VPLST000.XPL"));
        QCOMPARE(playlist->accessibleName(), QString("Playlist file"));

        // Options page: extensions side by side in the order video, audio, subtitle.
        const std::array<std::tuple<Edit, const char*, const char*>, 4> edits{
            std::tuple{Edit::eVideoExt, "eVideoExt", "mpv"}, std::tuple{Edit::eAudioExt, "eAudioExt", "mpa"},
            std::tuple{Edit::eSubExt, "eSubExt", "sup"}, std::tuple{Edit::eWorkdir, "eWorkdir", ""}};
        for (const auto& [e, name, text] : edits) {
            QCOMPARE(w.edit(e)->objectName(), QString(name));
            QCOMPARE(w.edit(e)->text(), QString(text));
            QVERIFY(!w.edit(e)->isReadOnly());
            QVERIFY2(!w.edit(e)->accessibleName().isEmpty(), name);
        }
        for (Edit e : {Edit::eVideoExt, Edit::eAudioExt, Edit::eSubExt}) QCOMPARE(w.edit(e)->maxLength(), 5);
        auto* gbFile = w.findChild<QGroupBox*>("gbFile");
        QVERIFY(gbFile);
        QVERIFY(gbFile->title().isEmpty());
        auto* lVideoExt = w.findChild<QLabel*>("lVideoExt");
        QVERIFY(lVideoExt);
        QCOMPARE(lVideoExt->text(), QString("Extensions (video, audio, subtitle)"));
        // Placed by the page's layout once the page is shown.
        TempStore store(dir_, "controls.ini");
        QVERIFY(showWithStore(w, store.get()));
        w.pages()->setCurrentIndex(5);
        QVERIFY(w.edit(Edit::eVideoExt)->x() < w.edit(Edit::eAudioExt)->x());
        QVERIFY(w.edit(Edit::eAudioExt)->x() < w.edit(Edit::eSubExt)->x());
        QVERIFY(w.edit(Edit::eWorkdir)->width() >= 224);
        QVERIFY(gbFile->width() >= 320 && gbFile->height() >= 78);
        QVERIFY(lVideoExt->geometry().right() < w.edit(Edit::eVideoExt)->x());
        auto* lWorkdir = w.findChild<QLabel*>("lWorkdir");
        QVERIFY(lWorkdir);
        QCOMPARE(lWorkdir->text(), QString("Output folder"));

        struct OptionRow {
            Box box;
            const char* name;
            const char* caption;
            const char* hint;
        };
        const OptionRow options[] = {
            {Box::cbContinue, "cbContinue", "Continue with second  EVO",
             "Demux continues with e.g. FEATURE_2.EVO if it exists"},
            {Box::cbFastCheck, "cbFastCheck", "Fast EVO checking",
             "Read EVO checks only the first ~300 MB of the file"},
            {Box::cbCountFr, "cbCountFr", "Count frames", ""},
            {Box::cbDetails, "cbDetails", "Detailed info", "Detailed information about streams"},
        };
        for (const OptionRow& o : options) {
            QCheckBox* box = w.box(o.box);
            QCOMPARE(box->objectName(), QString(o.name));
            QCOMPARE(box->text(), QString(o.caption));
            QCOMPARE(box->toolTip(), QString(o.hint));
            QCOMPARE(box->accessibleName(), QString(o.caption));
            QVERIFY2(box->isChecked(), o.name);
            QVERIFY2(box->isEnabled(), o.name);
            QCOMPARE(w.pages()->indexOf(box->parentWidget()), 5);
        }

        QCOMPARE(w.memo()->objectName(), QString("mMessage"));
        QCOMPARE(w.memo()->accessibleName(), QString("Status log"));
        QVERIFY(w.memo()->toolTip().isEmpty());
        QVERIFY(w.memo()->isReadOnly());
        QVERIFY(w.memo()->toPlainText().isEmpty());
        QCOMPARE(w.memo()->lineWrapMode(), QPlainTextEdit::NoWrap);  // scrolls both ways
        QCOMPARE(w.xplMemo()->objectName(), QString("mXPL"));
        QCOMPARE(w.xplMemo()->toolTip(), QString("This is your XPL file (part of it)"));
        QVERIFY(QFontInfo(w.xplMemo()->font()).fixedPitch());
        QVERIFY(!w.xplMemo()->accessibleName().isEmpty());

        QTreeWidget* tree = w.tree();
        QCOMPARE(tree->objectName(), QString("tvXPL"));
        QCOMPARE(tree->toolTip(), QString("Infos from your XPL file"));
        QCOMPARE(tree->indentation(), 19);
        QVERIFY(tree->selectionMode() != QAbstractItemView::SingleSelection &&
                tree->selectionMode() != QAbstractItemView::NoSelection);
        QCOMPARE(tree->topLevelItemCount(), 4);
        QStringList tops;
        for (int k = 0; k < 4; ++k) tops << tree->topLevelItem(k)->text(0);
        QCOMPARE(tops, (QStringList{"Video", "Audio", "Subpicture", "Chapter"}));
        QVERIFY(!tree->accessibleName().isEmpty());
        auto* splitter = w.findChild<QSplitter*>("splXPL");
        QVERIFY(splitter);
        QCOMPARE(splitter->indexOf(tree), 0);
        QCOMPARE(splitter->indexOf(w.xplMemo()), 1);
        QVERIFY(!splitter->childrenCollapsible());
        QCOMPARE(tree->minimumWidth(), 50);
        QCOMPARE(w.xplMemo()->minimumWidth(), 50);

        QCOMPARE(w.logo()->objectName(), QString("imLogo"));
        QCOMPARE(w.logo()->toolTip(), QString("HD DVD logo :-)"));
        QCOMPARE(w.statusBar()->objectName(), QString("StatusBar"));
        QCOMPARE(w.statusBar()->toolTip(), QString(" Select or drop an EVO file to demux"));
        QCOMPARE(w.panel(0)->text(), QString(" Ready"));
        QCOMPARE(w.panel(1)->text(), QString(" Select or drop an EVO file to demux"));
        QCOMPARE(w.panel(0)->property("panelWidth").toInt(), 40);
        QCOMPARE(w.panel(1)->property("panelWidth").toInt(), 50);
        QCOMPARE(w.sourceDialog()->objectName(), QString("odEVOfile"));
        QCOMPARE(w.playlistDialog()->objectName(), QString("odXPL"));
    }

    void pagesAndStreamBoxes() {
        TfMain w;
        QTabWidget* pages = w.pages();
        QCOMPARE(pages->objectName(), QString("PageControl"));
        QCOMPARE(pages->count(), 6);
        const QStringList names{"tsStatus", "tsVideo", "tsAudio", "tsSubpicture", "tsXPL", "tsOption"};
        const QStringList captions{"Status", "Video", "Audio", "Subpicture", "XPL", "Options"};
        const QStringList hints{"",
                                "Check the desired video stream",
                                "Check the desired audio streams",
                                "Check the desired subpicture streams",
                                "",
                                ""};
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(pages->widget(k)->objectName(), names[k]);
            QCOMPARE(pages->tabText(k), captions[k]);
            QCOMPARE(pages->widget(k)->toolTip(), hints[k]);
            QVERIFY(!pages->widget(k)->accessibleName().isEmpty());
        }
        QCOMPARE(pages->currentIndex(), 0);
        QCOMPARE(w.memo()->parentWidget(), pages->widget(0));
        QVERIFY(pages->widget(4)->isAncestorOf(w.tree()));

        for (int i = 0; i < kStreamBoxCount; ++i) {
            QCheckBox* box = w.box(boxAt(i));
            const QString name = QString::fromStdString(boxName(boxAt(i)));
            QCOMPARE(box->objectName(), name);
            QCOMPARE(w.findChild<QCheckBox*>(name), box);
            int page = i < 8 ? 1 : i < 24 ? 2 : 3;
            QCOMPARE(box->parentWidget(), pages->widget(page));
            QCOMPARE(box->text(), streamCaption(i));
            QCOMPARE(box->accessibleName(), streamCaption(i));
            QVERIFY2(!box->isEnabled(), qPrintable(name));
            QVERIFY2(!box->isChecked(), qPrintable(name));
            QCOMPARE(box->toolTip(), QString(i > 24 ? "Check the desired subpicture streams" : ""));
        }
        QCOMPARE(w.box(subBox(1))->objectName(), QString("cbSub01"));
        QCOMPARE(w.box(audioBox(15))->objectName(), QString("cbAudio15"));

        // The first activation re-captions the boxes, leaving them disabled.
        TempStore store(dir_, "pages.ini");
        QVERIFY(showWithStore(w, store.get()));
        for (int i = 0; i < kStreamBoxCount; ++i) {
            QCOMPARE(w.box(boxAt(i))->text(), resetCaption(i));
            QVERIFY(!w.box(boxAt(i))->isEnabled());
            QVERIFY(!w.box(boxAt(i))->isChecked());
        }
        QVERIFY(!w.button(Button::bDemux)->isEnabled());

        // Two columns of eight from the page's corner, at least 140 x 17
        // each, the second column right of the first, rows top to bottom.
        for (int i = 0; i < kStreamBoxCount; ++i) {
            QCheckBox* box = w.box(boxAt(i));
            int page = i < 8 ? 1 : i < 24 ? 2 : 3;
            int n = i < 8 ? i : i < 24 ? i - 8 : i - 24;
            pages->setCurrentIndex(page);
            QVERIFY(box->width() >= 140 && box->height() >= 17);
            if (n == 0) QCOMPARE(box->pos(), QPoint(9, 9));
            if (n % 8 > 0) {
                QCheckBox* above = w.box(boxAt(i - 1));
                QCOMPARE(box->x(), above->x());
                QVERIFY(box->y() > above->geometry().bottom());
            }
            if (n >= 8) {
                QCheckBox* left = w.box(boxAt(i - 8));
                QCOMPARE(box->y(), left->y());
                QVERIFY(box->x() > left->geometry().right());
            }
        }
    }

    // The design's arrangement: margins of 8 at the sides, the top rows at
    // 6 and 38, the pages at 69, the bottom row 6 above the status bar; the
    // designed sizes as the least ones. Controls anchored right or bottom
    // follow a resize, the edits and the pages stretch.
    void controlsSitAtTheirDesignedPlaces() {
        QFont small = QApplication::font();
        small.setPointSize(8);
        QApplication::setFont(small);
        TfMain w;
        TempStore store(dir_, "places.ini");
        QVERIFY(showWithStore(w, store.get()));
        const QSize client = w.centralWidget()->size();
        QCOMPARE(w.size(), QSize(362, 346).expandedTo(w.minimumSize()));
        QCOMPARE(w.centralWidget()->pos(), QPoint(0, 0));
        QCOMPARE(client.height() + w.statusBar()->height(), w.height());
        QCOMPARE(w.statusBar()->height(), 21);
        QLineEdit* source = w.edit(Edit::eEVOfile);
        QLineEdit* playlist = w.edit(Edit::eXPLfile);
        QCOMPARE(source->x(), 8);
        QCOMPARE(playlist->x(), 8);
        for (auto [b, y] : {std::pair{Button::bbEVO, 6}, std::pair{Button::bCheck, 6}, std::pair{Button::bbXPL, 38},
                            std::pair{Button::bReadXPL, 38}})
            QCOMPARE(w.button(b)->y(), y);
        QCOMPARE(w.button(Button::bbEVO)->size(), QSize(25, 25));
        QCOMPARE(w.button(Button::bbXPL)->size(), QSize(25, 25));
        QCOMPARE(w.button(Button::bbEVO)->x(), source->geometry().right() + 1 + 5);
        QCOMPARE(w.button(Button::bCheck)->x(), w.button(Button::bbEVO)->geometry().right() + 1 + 7);
        QCOMPARE(w.button(Button::bCheck)->geometry().right(), client.width() - 8 - 1);
        QCOMPARE(w.button(Button::bReadXPL)->geometry(), w.button(Button::bCheck)->geometry().translated(0, 32));
        QCOMPARE(w.pages()->geometry(), QRect(8, 69, client.width() - 16, client.height() - 69 - 6 - 25 - 6));
        QCOMPARE(w.button(Button::bDemux)->pos(), QPoint(8, client.height() - 6 - 25));
        QCOMPARE(w.button(Button::bRebuild)->pos(),
                 QPoint(w.button(Button::bDemux)->geometry().right() + 1 + 6, w.button(Button::bDemux)->y()));
        QCOMPARE(w.button(Button::bCancel)->geometry().topRight(),
                 QPoint(client.width() - 8 - 1, w.button(Button::bDemux)->y()));
        for (Button b : {Button::bCheck, Button::bReadXPL, Button::bDemux, Button::bRebuild, Button::bCancel}) {
            QVERIFY(w.button(b)->width() >= 60);
            QCOMPARE(w.button(b)->height(), 25);
        }
        QCOMPARE(w.logo()->size(), QSize(125, 31));
        QCOMPARE(w.logo()->y(), w.button(Button::bCancel)->y() - 2);

        // Anchors: the top rows stretch, the bottom row and the pages follow.
        const QRect sourceBefore = source->geometry();
        const QRect checkBefore = w.button(Button::bCheck)->geometry();
        const QRect pagesBefore = w.pages()->geometry();
        const QRect demuxBefore = w.button(Button::bDemux)->geometry();
        const QRect cancelBefore = w.button(Button::bCancel)->geometry();
        w.resize(w.size() + QSize(100, 100));
        QCOMPARE(source->geometry(), sourceBefore.adjusted(0, 0, 100, 0));
        QCOMPARE(w.button(Button::bCheck)->geometry(), checkBefore.translated(100, 0));
        QCOMPARE(w.pages()->geometry(), pagesBefore.adjusted(0, 0, 100, 100));
        QCOMPARE(w.button(Button::bDemux)->geometry(), demuxBefore.translated(0, 100));
        QCOMPARE(w.button(Button::bCancel)->geometry(), cancelBefore.translated(100, 100));
        QCOMPARE(w.logo()->y(), w.button(Button::bCancel)->y() - 2);
    }

    void slogFitsPanelsToTheirTextAndLogAddsLinesAsGiven() {
        TfMain w;
        TempStore store(dir_, "slog.ini");
        QVERIFY(showWithStore(w, store.get()));
        FrontEnd& ui = w.frontEnd();
        const QString barHint = w.statusBar()->toolTip();

        // The bar is painted before slog returns, without the event loop.
        int paints = 0;
        PaintCounter counter(paints);
        w.statusBar()->installEventFilter(&counter);
        ui.slog("Ready", 0);
        QVERIFY(paints > 0);
        QCOMPARE(w.panel(0)->text(), QString(" Ready"));
        QCOMPARE(w.panel(0)->property("panelWidth").toInt(), fitted(w, " Ready"));
        QCOMPARE(w.panel(0)->minimumWidth(), fitted(w, " Ready"));
        QCOMPARE(w.panel(0)->maximumWidth(), fitted(w, " Ready"));
        QCOMPARE(w.statusBar()->toolTip(), barHint);  // panel 0 leaves the hint alone

        ui.slog("Writing stream(s)", 0);
        const int wide = w.panel(0)->property("panelWidth").toInt();
        QCOMPARE(wide, fitted(w, " Writing stream(s)"));
        ui.slog("Ready", 0);
        QVERIFY(w.panel(0)->property("panelWidth").toInt() < wide);  // shrinks again
        QCOMPARE(w.statusBar()->toolTip(), barHint);

        const std::string progress = "Reading FEATURE_1.EVO 4/400 Mbytes, Remaining time: 0:00:01";
        ui.slog(progress, 1);
        QCOMPARE(w.panel(1)->text(), " " + QString::fromStdString(progress));
        QCOMPARE(w.panel(1)->property("panelWidth").toInt(),
                 fitted(w, " " + QString::fromStdString(progress)));
        QCOMPARE(w.statusBar()->toolTip(), QString::fromStdString(progress));
        ui.slog("", 1);
        QCOMPARE(w.panel(1)->text(), QString(" "));
        QCOMPARE(w.panel(1)->property("panelWidth").toInt(), fitted(w, " "));
        QVERIFY(w.statusBar()->toolTip().isEmpty());
        QVERIFY(w.panel(1)->minimumWidth() <= fitted(w, " ") + 1);

        // Lines go in exactly as given: leading blanks kept, no stamp, an
        // empty text is an empty line.
        ui.log("Opening file FEATURE_1.EVO");
        ui.log("   First PTS = 00015F90");
        ui.log("");
        ui.log("Done.");
        QCOMPARE(memoLines(w),
                 (QStringList{"Opening file FEATURE_1.EVO", "   First PTS = 00015F90", "", "Done."}));
    }

    void firstLoggedLineMayBeEmpty() {
        TfMain w;
        w.frontEnd().log("");
        // appendPlainText on an empty document fills its one empty block
        // instead of adding a line, so the empty first line is lost.
        w.frontEnd().log("x");
        QCOMPARE(w.memo()->document()->blockCount(), 2);
        QCOMPARE(w.memo()->toPlainText(), QString("\nx"));
    }

    void logoIsDecodedAndFollowsTheWindowWidth() {
        TfMain w;
        const QPixmap logo = w.logo()->pixmap();
        QCOMPARE(logo.size(), QSize(125, 31));
        const QImage image = logoImage();
        QCOMPARE(image.size(), QSize(125, 31));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
        QVERIFY(colours.size() > 2);  // a picture, not a blank
        const unsigned char garbage[] = "this is not a JPEG picture at all";
        QVERIFY(decodeJpeg(garbage, sizeof garbage).isNull());
        QVERIFY(decodeJpeg(nullptr, 0).isNull());

        // The rule takes the outer width, frame included: 153 up to 432,
        // then centred; never over the buttons beside it, which the style
        // may have made wider than the designed 60 pixels.
        TempStore store(dir_, "logo.ini");
        QVERIFY(showWithStore(w, store.get()));
        const int frame = w.frameGeometry().width() - w.width();
        const int least = w.button(Button::bRebuild)->geometry().right() + 1 + 6;
        for (auto [outer, left] : {std::pair{432, 153}, std::pair{433, 153}, std::pair{500, 187},
                                   std::pair{434, 154}, std::pair{380, 153}, std::pair{600, 237}}) {
            w.resize(outer - frame, w.height());
            if (w.frameGeometry().width() != outer) continue;  // below the window's least width
            QCOMPARE(w.logo()->x(), std::max(left, least));
            QCOMPARE(w.logo()->y(), w.button(Button::bCancel)->y() - 2);
        }
        w.resize(600 - frame, w.height());
        QCOMPARE(w.frameGeometry().width(), 600);
        QCOMPARE(w.logo()->x(), 237);  // centred where the row leaves room
    }
};

QTEST_MAIN(WindowLayoutTest)
#include "window_layout_test.moc"
