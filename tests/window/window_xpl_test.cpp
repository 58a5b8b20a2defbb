// "Read XPL" in the window: the title's tree, its tags in the memo, its
// tracks as captioned boxes, and the memo hidden while it is filled.
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QTreeWidget>

#include "support/pack_builder.h"
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

// VC-1 in video slot 0 and DD+ in audio slots 0 to 4, each packet's audio
// bytes tagged with its slot.
Bytes fiveAudioStreams() {
    Pes video;
    video.streamId = 0xFD;
    video.pts = 90000;
    video.streamIdExtension = 0x55;
    video.payload = {0x00, 0x00, 0x01, 0x0D, 0x3F};
    std::vector<Bytes> packets{systemHeader(5, 1), pesPacket(video)};
    for (std::uint8_t slot = 0; slot < 5; ++slot)
        packets.push_back(privateStream1(ac3Payload(0xC0 + slot, {0x0B, 0x77, slot, slot}), 90000));
    return pack(packets);
}

bool writeBytes(const QString& path, const Bytes& content) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(reinterpret_cast<const char*>(content.data()), static_cast<qint64>(content.size())) ==
               static_cast<qint64>(content.size());
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

    // Read EVO finds five audio streams, the playlist's title lists three:
    // the other two boxes stay ticked but disabled ("No audio stream"), and
    // Demux makes files for the title's tracks alone, each with its stream.
    void demuxAfterReadXplWritesOnlyTheTracksItEnabled() {
        QTemporaryDir dir;
        keepSettingsInTemp(dir);
        TempStore store(dir);
        QDir root(dir.path());
        QVERIFY(root.mkpath("disc/HVDVD_TS") && root.mkpath("disc/ADV_OBJ") && root.mkpath("out"));
        QVERIFY(QFile::copy(STRANDEX_FIXTURES "/xpl/VPLST000.XPL", root.filePath("disc/ADV_OBJ/VPLST000.XPL")));
        QVERIFY(writeBytes(root.filePath("disc/HVDVD_TS/FEATURE_1.EVO"), fiveAudioStreams()));
        TfMain w;
        QVERIFY(showWithStore(w, store.get()));
        w.errorHook = [](const QString& message) { QFAIL(qPrintable(message)); };
        w.edit(Edit::eWorkdir)->setText(root.filePath("out"));
        w.dropFile(root.filePath("disc/HVDVD_TS/FEATURE_1.EVO"));
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        for (int slot = 0; slot < 5; ++slot) QVERIFY(w.box(audioBox(slot))->isChecked());
        QTest::mouseClick(w.button(Button::bReadXPL), Qt::LeftButton);
        for (int slot : {3, 4}) {
            QVERIFY(w.box(audioBox(slot))->isChecked() && !w.box(audioBox(slot))->isEnabled());
            QCOMPARE(w.box(audioBox(slot))->text(), QString("No audio stream"));
        }
        QVERIFY(w.button(Button::bDemux)->isEnabled());
        QTest::mouseClick(w.button(Button::bDemux), Qt::LeftButton);
        QCOMPARE(memoLines(w).filter("Creating ").size(), 6);
        QDir out(root.filePath("out"));
        QCOMPARE(out.entryList(QDir::Files, QDir::Name),
                 QStringList({"FEATURE_1.2bitRLE.stream.00.en.sup", QString::fromUtf8("FEATURE_1.2bitRLE.stream.01.français.sup"),
                              "FEATURE_1.DD+.6ch.stream.00.en.mpa", "FEATURE_1.DD+.6ch.stream.01.de.mpa",
                              "FEATURE_1.DD.2ch.stream.02.en.mpa", "FEATURE_1.VC-1.stream.0.mpv"}));
        QFile second(out.filePath("FEATURE_1.DD+.6ch.stream.01.de.mpa"));
        QVERIFY(second.open(QIODevice::ReadOnly));
        QCOMPARE(second.readAll(), QByteArray("\x0B\x77\x01\x01", 4));
    }
};

QTEST_MAIN(WindowXplTest)
#include "window_xpl_test.moc"
