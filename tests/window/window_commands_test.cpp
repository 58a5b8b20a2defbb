// The window driven as a user drives it: files dropped on it, "Read EVO"
// clicked, Cancel and closing the window during a scan, the error box for
// a source that is not there, and the notice box for an encrypted one.
#include <QAbstractButton>
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <functional>

#include "app/tf_main.h"
#include "support/pack_builder.h"
#include "window_support.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// A VC-1 packet (stream id extension 0x55) with PTS and DTS 90000 whose
// payload holds `frames` frame start codes.
Bytes vc1Packet(int frames, std::uint8_t scrambling = 0) {
    Pes pes;
    pes.scrambling = scrambling;
    pes.streamId = 0xFD;
    pes.pts = 90000;
    pes.dts = 90000;
    pes.streamIdExtension = 0x55;
    for (int k = 0; k < frames; ++k) pes.payload += {0x00, 0x00, 0x01, 0x0D, 0x3F};
    return pesPacket(pes);
}

// VC-1 in video slot 0, DD+ in audio slot 3, a subpicture in slot 0, then
// padding packs past the first 256 KiB block. The video packet may carry
// scrambling bits.
Bytes featureContent(std::uint8_t videoScrambling = 0) {
    Bytes bytes = pack({systemHeader(1, 1), vc1Packet(24, videoScrambling)}) +
                  pack({privateStream1(ac3Payload(0xC3, {0x0B, 0x77, 0x00, 0x00}), 90000)}) +
                  pack({privateStream1(subpicturePayload(0x20, {0x00, 0x20, 0x00, 0x10}), 90000)});
    while (bytes.size() < 300000) bytes += pack({});
    return bytes;
}

const QStringList kFeatureLines{"Opening file FEATURE_1.EVO",
                                "File size: 0 Mbytes.",
                                "It contains 1 video stream and 1 audio stream.",
                                "VC-1 video stream 0 found!",
                                "   First PTS = 00015F90",
                                "DD+ audio stream 3 found!",
                                "   First PTS = 00015F90",
                                "Subpicture stream 0 found!",
                                "   First PTS = 00015F90",
                                "Done.",
                                "24 frames (0:00:01 s) count in video stream 0."};

QString resetCaption(int i) {
    return i < 8 ? "No video stream" : i < 24 ? "No audio stream" : "No subpicture";
}

// Sends a drag of the files over `target` and drops them there, as the
// window system delivers a drop; returns whether the drag was accepted.
bool dropUrls(QWidget* target, const QStringList& paths) {
    QMimeData mime;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    mime.setUrls(urls);
    const QPoint at = target->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return true;
}

QStringList linesSince(const TfMain& w, qsizetype before) { return memoLines(w).mid(before); }

// Answers the next message box that opens; looks again every 10 ms until
// the deadline, which only has to outlast a busy machine.
void answerModal(const std::function<void(QMessageBox*)>& answer,
                 QDeadlineTimer deadline = QDeadlineTimer(kWindowWaitMs)) {
    QTimer::singleShot(10, [answer, deadline] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) return answer(box);
        if (!deadline.hasExpired()) answerModal(answer, deadline);
    });
}

}  // namespace

class WindowCommandsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString feature_;  // .../HVDVD_TS/FEATURE_1.EVO

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keepSettingsInTemp(dir_);
        feature_ = writeFile(path("disc/HVDVD_TS/FEATURE_1.EVO"), featureContent());
        QVERIFY(!feature_.isEmpty());
    }

    void droppedSourceIsReadIntoTickedBoxes() {
        TfMain w;
        TempStore store(dir_, "read.ini");
        QVERIFY(showWithStore(w, store.get()));
        w.dropFile(feature_);
        QCOMPARE(w.edit(Edit::eEVOfile)->text(), feature_);
        QCOMPARE(w.edit(Edit::eXPLfile)->text(), path("disc/ADV_OBJ/VPLST000.XPL"));
        QVERIFY(w.button(Button::bCheck)->isEnabled());
        QVERIFY(w.button(Button::bReadXPL)->isEnabled());
        QVERIFY(!w.button(Button::bDemux)->isEnabled());

        w.pages()->setCurrentIndex(5);
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QCOMPARE(memoLines(w), kFeatureLines);
        QCOMPARE(w.pages()->currentIndex(), 0);
        QCOMPARE(w.panel(0)->text(), QString(" Ready"));
        QCOMPARE(w.panel(1)->text(), QString(" "));
        for (int i = 0; i < kStreamBoxCount; ++i) {
            QCheckBox* box = w.box(boxAt(i));
            const bool found = i == 0 || i == 8 + 3 || i == 24;
            QCOMPARE(box->isEnabled(), found);
            QCOMPARE(box->isChecked(), found);
            if (!found) QCOMPARE(box->text(), resetCaption(i));
        }
        QCOMPARE(w.box(videoBox(0))->text(), QString("VC-1.stream.0"));
        QCOMPARE(w.box(audioBox(3))->text(), QString("DD+.stream.03"));
        QCOMPARE(w.box(subBox(0))->text(), QString("Subpicture.00"));
        QCOMPARE(w.box(audioBox(3))->accessibleName(), QString("DD+.stream.03"));
        QVERIFY(w.button(Button::bDemux)->isEnabled());
        QVERIFY(w.button(Button::bCheck)->isEnabled());
        QVERIFY(!w.button(Button::bCancel)->isEnabled());

        // Ticks by the user run the selection rule as ticks from code do.
        QTest::mouseClick(w.box(videoBox(0)), Qt::LeftButton);
        QTest::mouseClick(w.box(audioBox(3)), Qt::LeftButton);
        QVERIFY(w.button(Button::bDemux)->isEnabled());
        w.box(subBox(0))->setChecked(false);
        QVERIFY(!w.button(Button::bDemux)->isEnabled());
        QTest::mouseClick(w.box(audioBox(3)), Qt::LeftButton);
        QVERIFY(w.box(audioBox(3))->isChecked());
        QVERIFY(w.button(Button::bDemux)->isEnabled());
    }

    // Ticking "Name files by codec" on the Options page changes the names
    // the next Demux gives; unticked, they are the kind extensions again.
    void codecNamesFollowTheOptionsBox() {
        TfMain w;
        TempStore store(dir_, "codec.ini");
        QVERIFY(showWithStore(w, store.get()));
        QVERIFY(QDir().mkpath(path("codec-out")));
        w.edit(Edit::eWorkdir)->setText(path("codec-out"));
        w.dropFile(feature_);
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        const QString prefix = "Creating " + path("codec-out/FEATURE_1.");
        w.pages()->setCurrentIndex(5);
        QTest::mouseClick(w.box(Box::cbCodecFiles), Qt::LeftButton);
        QVERIFY(w.box(Box::cbCodecFiles)->isChecked());
        qsizetype before = memoLines(w).size();
        QTest::mouseClick(w.button(Button::bDemux), Qt::LeftButton);
        QStringList lines = linesSince(w, before);
        QVERIFY2(lines.contains(prefix + "VC-1.stream.0.vc1"), qPrintable(lines.join("\n")));
        QVERIFY(lines.contains(prefix + "Subpicture.00.sup"));
        w.pages()->setCurrentIndex(5);
        QTest::mouseClick(w.box(Box::cbCodecFiles), Qt::LeftButton);
        before = memoLines(w).size();
        QTest::mouseClick(w.button(Button::bDemux), Qt::LeftButton);
        lines = linesSince(w, before);
        QVERIFY2(lines.contains(prefix + "VC-1.stream.0.mpv"), qPrintable(lines.join("\n")));
        QVERIFY(lines.contains(prefix + "DD+.stream.03.mpa"));
    }

    void dropsTakeTheFirstFileOfTheRightKind() {
        TfMain w;
        QVERIFY(!w.acceptDrops());  // registered when first shown
        TempStore store(dir_, "drops.ini");
        QVERIFY(showWithStore(w, store.get()));
        QVERIFY(w.acceptDrops());

        // Over the memo the drag reaches the window, which refuses a file
        // the drop would not take.
        const QString notes = writeFile(path("notes.txt"), {0x41});
        QVERIFY(!dropUrls(w.memo(), {notes}));
        QVERIFY(w.edit(Edit::eEVOfile)->text().isEmpty());
        QVERIFY(w.edit(Edit::eXPLfile)->text().isEmpty());
        QVERIFY(!w.button(Button::bCheck)->isEnabled());

        const QString lower = writeFile(path("m/HVDVD_TS/feature_1.evo"), featureContent());
        const QString second = writeFile(path("m/HVDVD_TS/FEATURE_2.EVO"), featureContent());
        QVERIFY(dropUrls(w.edit(Edit::eEVOfile), {lower, second, notes}));
        QCOMPARE(w.edit(Edit::eEVOfile)->text(), lower);
        QCOMPARE(w.edit(Edit::eXPLfile)->text(), path("m/ADV_OBJ/VPLST000.XPL"));
        QVERIFY(w.button(Button::bCheck)->isEnabled());

        // A text file first: the drag is refused, the files behind it too.
        QVERIFY(!dropUrls(w.memo(), {notes, second}));
        QCOMPARE(w.edit(Edit::eEVOfile)->text(), lower);

        const QString playlist = writeFile(path("other/ADV_OBJ/VPLST000.XPL"), {0x3C});
        QVERIFY(dropUrls(w.edit(Edit::eXPLfile), {playlist}));
        QCOMPARE(w.edit(Edit::eXPLfile)->text(), playlist);
        QCOMPARE(w.edit(Edit::eEVOfile)->text(), lower);
        QCOMPARE(QString::fromStdString(w.session().paths.EVOdir), path("other/HVDVD_TS/"));

        // The dropped lower-case file reads as any other.
        w.dropFile(lower);
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QCOMPARE(memoLines(w).value(0), QString("Opening file feature_1.evo"));
        QCOMPARE(memoLines(w).value(9), QString("Done."));
    }

    void cancelStopsAScanWithoutAQuestion() {
        TfMain w;
        TempStore store(dir_, "cancel.ini");
        QVERIFY(showWithStore(w, store.get()));
        Questions questions(w);
        questions.answer = true;
        int dialogs = 0;
        w.fileDialogHook = [&](QFileDialog&) {
            ++dialogs;
            return QString();
        };
        const QString big = writeFile(path("big/HVDVD_TS/FEATURE_1.EVO"), featureContent(), 400 * 1048576LL);
        w.dropFile(big);
        w.box(Box::cbFastCheck)->setChecked(false);  // only Cancel can stop it early

        // At the engine's first progress point: everything but Cancel is
        // locked, drops and browsing do nothing; then Cancel is clicked.
        bool reached = false;
        auto whileRunning = [&] {
            QVERIFY(w.commandRunning());
            for (Button b : {Button::bCheck, Button::bReadXPL, Button::bDemux, Button::bRebuild,
                             Button::bbEVO, Button::bbXPL})
                QVERIFY2(!w.button(b)->isEnabled(), buttonName(b).c_str());
            QVERIFY(w.button(Button::bCancel)->isEnabled());
            QVERIFY(w.panel(1)->text().startsWith(" Reading FEATURE_1.EVO 4/400 Mbytes, Remaining time: "));
            QVERIFY(!dropUrls(w.memo(), {feature_}));
            w.dropFile(feature_);
            w.bbEVOClick();
            w.bbXPLClick();
            QCOMPARE(w.edit(Edit::eEVOfile)->text(), big);
        };
        QTimer::singleShot(0, &w, [&] {
            reached = true;
            whileRunning();
            QTest::mouseClick(w.button(Button::bCancel), Qt::LeftButton);
        });
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QVERIFY(reached);
        QVERIFY(questions.asked.isEmpty());
        QCOMPARE(dialogs, 0);
        QCOMPARE(w.session().table.StopFlag, 1);
        // The streams at the start are offered; the frame counts are dropped.
        QStringList expected = kFeatureLines.mid(0, 10);
        expected[1] = "File size: 400 Mbytes.";
        QCOMPARE(memoLines(w), expected);
        QVERIFY(w.box(audioBox(3))->isChecked());
        QCOMPARE(w.panel(0)->text(), QString(" Ready"));
        QCOMPARE(w.panel(1)->text(), QString(" "));
        QVERIFY(clock.elapsed() < 60000);

        // Afterwards every button shows the state the command left.
        for (Button b : {Button::bCheck, Button::bReadXPL, Button::bDemux, Button::bRebuild, Button::bbEVO,
                         Button::bbXPL})
            QVERIFY2(w.button(b)->isEnabled(), buttonName(b).c_str());
        QVERIFY(!w.button(Button::bCancel)->isEnabled());
        QVERIFY(!w.commandRunning());
        QVERIFY(dropUrls(w.memo(), {feature_}));
        QCOMPARE(w.edit(Edit::eEVOfile)->text(), feature_);
    }

    void missingSourceShowsTheErrorAndStopsAfterOpening() {
        TfMain w;
        TempStore store(dir_, "missing.ini");
        QVERIFY(showWithStore(w, store.get()));
        QStringList errors;
        w.errorHook = [&](const QString& message) { errors << message; };
        w.dropFile(feature_);
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QVERIFY(w.box(videoBox(0))->isEnabled());

        const QString missing = path("gone/HVDVD_TS/FEATURE_1.EVO");
        w.dropFile(missing);
        const qsizetype before = memoLines(w).size();
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QCOMPARE(errors, QStringList{"Cannot open file \"" + missing + "\". No such file or directory"});
        QCOMPARE(linesSince(w, before), QStringList{"Opening file FEATURE_1.EVO"});
        QCOMPARE(w.panel(0)->text(), QString(" Opening"));
        for (int i = 0; i < kStreamBoxCount; ++i) {
            QVERIFY(!w.box(boxAt(i))->isEnabled());
            QCOMPARE(w.box(boxAt(i))->text(), resetCaption(i));
        }
        QVERIFY(!w.button(Button::bCheck)->isEnabled());
        QVERIFY(!w.button(Button::bCancel)->isEnabled());
        QVERIFY(!w.commandRunning());
        for (Button b : {Button::bRebuild, Button::bbEVO, Button::bbXPL, Button::bReadXPL})
            QVERIFY2(w.button(b)->isEnabled(), buttonName(b).c_str());
        // Choosing a source again makes "Read EVO" usable.
        w.dropFile(feature_);
        QVERIFY(w.button(Button::bCheck)->isEnabled());
    }

    // Cancel while a write is under way asks first; the real question box
    // has No as its default, and the error box shows the runtime's message.
    void cancelQuestionAndErrorBox() {
        TfMain w;
        TempStore store(dir_, "question.ini");
        QVERIFY(showWithStore(w, store.get()));
        StreamTable& t = w.session().table;
        t.BusyFlag = 1;
        Questions questions(w);
        w.bCancelClick();
        QCOMPARE(t.StopFlag, 0);
        questions.answer = true;
        w.bCancelClick();
        QCOMPARE(t.StopFlag, 1);
        QCOMPARE(questions.asked,
                 (QStringList{"Are you sure to stop demuxing?", "Are you sure to stop demuxing?"}));

        w.confirmHook = nullptr;
        t.StopFlag = 0;
        QString text;
        bool defaultIsNo = false;
        answerModal([&](QMessageBox* box) {
            text = box->text();
            defaultIsNo = box->defaultButton() == static_cast<QAbstractButton*>(box->button(QMessageBox::No));
            box->defaultButton()->click();
        });
        w.bCancelClick();
        QCOMPARE(text, QString("Are you sure to stop demuxing?"));
        QVERIFY(defaultIsNo);
        QCOMPARE(t.StopFlag, 0);
        t.BusyFlag = 0;

        answerModal([&](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
        w.dropFile(path("nowhere/FEATURE_1.EVO"));
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QCOMPARE(text,
                 "Cannot open file \"" + path("nowhere/FEATURE_1.EVO") + "\". No such file or directory");
        QVERIFY(w.button(Button::bbEVO)->isEnabled());
    }

    // The box comes once the log is complete; a clear source shows none.
    void encryptedSourceIsToldInANoticeBoxAfterTheLog() {
        TfMain w;
        TempStore store(dir_, "encrypted.ini");
        QVERIFY(showWithStore(w, store.get()));
        QStringList notices;
        w.noticeHook = [&](const QString& message) { notices << message; };
        w.dropFile(feature_);
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QCOMPARE(notices, QStringList{});

        w.noticeHook = nullptr;
        w.dropFile(writeFile(path("encrypted/HVDVD_TS/FEATURE_1.EVO"), featureContent(3)));
        const qsizetype before = memoLines(w).size();
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList logShown;
        answerModal([&](QMessageBox* box) {
            text = box->text();
            icon = box->icon();
            logShown = linesSince(w, before);
            box->accept();
        });
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QCOMPARE(text, QString("FEATURE_1.EVO is encrypted: its streams cannot be used until it is decrypted."));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(logShown, kFeatureLines);
        QCOMPARE(linesSince(w, before), kFeatureLines);
        QVERIFY(w.button(Button::bCheck)->isEnabled());
        QVERIFY(!w.commandRunning());
    }

    void closingDuringAScanStopsItThenCloses() {
        QTemporaryDir own;
        TfMain w;
        TempStore store(own);
        QVERIFY(showWithStore(w, store.get()));
        Questions questions(w);
        const QString big =
            writeFile(path("close/HVDVD_TS/FEATURE_1.EVO"), featureContent(), 400 * 1048576LL);
        w.dropFile(big);
        w.box(Box::cbFastCheck)->setChecked(false);

        bool reached = false;
        // While a write is under way the close asks first; No keeps it going.
        auto closeDuringWrite = [&] {
            w.session().table.BusyFlag = 1;
            w.close();
            w.session().table.BusyFlag = 0;
            QCOMPARE(questions.asked, QStringList{"Are you sure to stop demuxing?"});
            QVERIFY(w.isVisible());
            QCOMPARE(w.session().table.StopFlag, 0);
        };
        // In a scan no question: the run stops, the window stays until it ends.
        auto closeDuringScan = [&] {
            w.close();
            QCOMPARE(questions.asked.size(), 1);
            QCOMPARE(w.session().table.StopFlag, 1);
            QVERIFY(w.isVisible());
            QVERIFY(!store->contains("Width"));
        };
        QTimer::singleShot(0, &w, [&] {
            reached = true;
            closeDuringWrite();
            closeDuringScan();
        });
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QVERIFY(reached);
        QVERIFY(!w.isVisible());
        QCOMPARE(memoLines(w).last(), QString("Done."));
        QVERIFY(!w.session().table.SourceStream.isOpen());
        QSettings* stored = store.reopen();
        QCOMPARE(stored->value("Width").toInt(), w.width());
        QCOMPARE(stored->value("FastCheck").toInt(), 0);
        QCOMPARE(stored->value("EVOdir").toString(), path("close/HVDVD_TS/"));
    }
};

QTEST_MAIN(WindowCommandsTest)
#include "window_commands_test.moc"
