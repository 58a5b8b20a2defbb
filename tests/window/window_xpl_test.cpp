// "Read XPL" in the window: the title's tree, its tags in the memo, its
// tracks as captioned boxes, and the memo hidden while it is filled.
#include <QCheckBox>
#include <QFile>
#include <QTreeWidget>

#include "window/window_support.h"

using namespace strandex;
using namespace strandex::test;

namespace {

QStringList treeLines(const QTreeWidget* tree) {
    QStringList lines;
    for (int t = 0; t < tree->topLevelItemCount(); ++t) {
        const QTreeWidgetItem* top = tree->topLevelItem(t);
        lines << top->text(0);
        for (int c = 0; c < top->childCount(); ++c) lines << "  " + top->child(c)->text(0);
    }
    return lines;
}

}  // namespace

class WindowXplTest : public QObject {
    Q_OBJECT
private slots:
    void readXplShowsTheTitleThatPlaysTheSource() {
        QTemporaryDir dir;
        keepSettingsInTemp(dir);
        TempStore store(dir);
        QDir root(dir.path());
        QVERIFY(root.mkpath("disc/HVDVD_TS") && root.mkpath("disc/ADV_OBJ"));
        QVERIFY(QFile::copy(STRANDEX_FIXTURES "/xpl/VPLST000.XPL", root.filePath("disc/ADV_OBJ/VPLST000.XPL")));
        TfMain w;
        QVERIFY(showWithStore(w, store.get()));
        w.dropFile(root.filePath("disc/HVDVD_TS/FEATURE_1.EVO"));
        QVERIFY(w.button(Button::bReadXPL)->isEnabled());
        bool hiddenWhileFilled = false;
        w.errorHook = [](const QString& message) { QFAIL(qPrintable(message)); };
        // The memo is hidden from the first line to the last: look at it
        // when the tree is rebuilt, which happens in between.
        QObject::connect(w.tree()->model(), &QAbstractItemModel::rowsInserted, &w,
                         [&] { hiddenWhileFilled = hiddenWhileFilled || !w.xplMemo()->isVisible(); });
        QTest::mouseClick(w.button(Button::bReadXPL), Qt::LeftButton);
        QVERIFY(hiddenWhileFilled);
        QVERIFY(w.xplMemo()->isVisible());
        QCOMPARE(w.pages()->currentIndex(), 4);
        QCOMPARE(treeLines(w.tree()),
                 QStringList({"Info", "  Title: Strandex Testdisc", QString::fromUtf8("  Name: Die Zöpfe"),
                              "  Duration: 01:42:17:30", "Video", "  VC-1.stream.0", "Audio",
                              "  DD+.6ch.stream.00.en", "  DD+.6ch.stream.01.de", "  DD.2ch.stream.02.en",
                              "Subtitle", "  2bitRLE.stream.00.en", QString::fromUtf8("  2bitRLE.stream.01.français"),
                              "Chapter", "  00:00:00:00: Anfang", QString::fromUtf8("  00:12:40:10: Über und unter"),
                              "  00:51:08:45: Zweite Datei"}));
        // The memo holds the title's tags alone, indented as in the file.
        QVERIFY(w.xplMemo()->toPlainText().startsWith("    <Title id=\"Feature\""));
        QVERIFY(!w.xplMemo()->toPlainText().contains("Trailer"));
        QVERIFY(w.box(audioBox(1))->isEnabled() && w.box(audioBox(1))->isChecked());
        QCOMPARE(w.box(audioBox(1))->text(), QString("DD+.6ch.stream.01.de"));
        QCOMPARE(w.box(subBox(1))->text(), QString::fromUtf8("2bitRLE.stream.01.français"));
        QCOMPARE(w.box(audioBox(1))->toolTip(), w.box(audioBox(1))->text());
        QVERIFY(w.button(Button::bDemux)->isEnabled());
        QVERIFY(w.button(Button::bReadXPL)->isEnabled());
        QCOMPARE(memoLines(w).last(), QString("Done."));
    }
};

QTEST_MAIN(WindowXplTest)
#include "window_xpl_test.moc"
