// The window when files fail under a command, and when it is closed while
// Demux writes: the error box shows the runtime's message, every file is
// closed, the outputs keep what was written, and the next command works.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/tf_main.h"
#include "engine/file_io.h"
#include "support/failing_files.h"
#include "support/pack_builder.h"
#include "window_support.h"

using namespace strandex;
using namespace strandex::test;

namespace {

constexpr std::size_t kMiB = 1048576;

// A VC-1 packet (stream id extension 0x55) with `frames` frame start codes,
// each followed by the tag.
Bytes vc1Packet(int frames, std::uint8_t tag) {
    Pes pes;
    pes.streamId = 0xFD;
    pes.pts = 90000;
    pes.dts = 90000;
    pes.streamIdExtension = 0x55;
    for (int k = 0; k < frames; ++k) pes.payload += {0x00, 0x00, 0x01, 0x0D, tag};
    return pesPacket(pes);
}
Bytes vc1Payload(int frames, std::uint8_t tag) {
    Bytes b;
    for (int k = 0; k < frames; ++k) b += {0x00, 0x00, 0x01, 0x0D, tag};
    return b;
}
Bytes ddPlus(std::uint8_t tag) { return Bytes{0x0B, 0x77} + repeat(tag, 40); }

// VC-1 in video slot 0 and DD+ in audio slot 3 at the start, then padding
// packs up to `size`.
Bytes feature(std::size_t size) {
    Bytes bytes = pack({systemHeader(1, 1), vc1Packet(24, 0x11)}) +
                  pack({privateStream1(ac3Payload(0xC3, ddPlus(0x22)), 90000)});
    const Bytes padding = pack({});
    while (bytes.size() < size) bytes += padding;
    return bytes;
}

Bytes readBytes(const QString& path) { return readFile(path.toStdString()); }

bool allClosed(TfMain& w) {
    const StreamTable& t = w.session().table;
    if (t.SourceStream.isOpen()) return false;
    for (const auto& f : t.VideoOut)
        if (f.isOpen()) return false;
    for (const auto& f : t.AudioOut)
        if (f.isOpen()) return false;
    return true;
}

}  // namespace

class WindowFaultsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keepSettingsInTemp(dir_);
    }

    // A read error in the scan, then a disk that fills under Demux and a
    // close that fails under Rebuild; after each the window takes the next
    // command, and once the files behave every command works again.
    void errorsShowTheirMessageAndTheWindowStaysUsable() {
        TfMain w;
        TempStore store(dir_, "errors.ini");
        QVERIFY(showWithStore(w, store.get()));
        QStringList errors;
        w.errorHook = [&](const QString& message) { errors << message; };
        const QString source = writeFile(path("errors/HVDVD_TS/FEATURE_1.EVO"), feature(5 * kMiB));
        const QString out = path("errors/out");
        QVERIFY(QDir().mkpath(out));
        w.dropFile(source);
        w.edit(Edit::eWorkdir)->setText(out);
        const int descriptors = openDescriptors();
        auto usable = [&](bool demuxEnabled) {
            QVERIFY(!w.commandRunning());
            QVERIFY(allClosed(w));
            QCOMPARE(openDescriptors(), descriptors);
            for (Button b : {Button::bRebuild, Button::bReadXPL, Button::bbEVO, Button::bbXPL})
                QVERIFY2(w.button(b)->isEnabled(), buttonName(b).c_str());
            QCOMPARE(w.button(Button::bDemux)->isEnabled(), demuxEnabled);
        };
        {
            FailingFiles files;
            files.failReadAt("FEATURE_1.EVO", 4 * kMiB + 100);
            QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
            QCOMPARE(errors, QStringList{"Cannot read file \"" + source + "\". Input/output error"});
            usable(false);
            // "Read EVO" stays off until a source is chosen again.
            QVERIFY(!w.button(Button::bCheck)->isEnabled());
        }
        w.dropFile(source);
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QCOMPARE(memoLines(w).value(memoLines(w).size() - 2), QString("Done."));
        usable(true);

        const QString video = out + "/FEATURE_1.VC-1.stream.0.mpv";
        const QString audio = out + "/FEATURE_1.DD+.stream.03.mpa";
        const Bytes wholeVideo = vc1Payload(24, 0x11);
        {
            FailingFiles files;
            files.fillAfter(".VC-1.stream.0.mpv", 50);
            QTest::mouseClick(w.button(Button::bDemux), Qt::LeftButton);
            QCOMPARE(errors.last(), QString(kStreamWriteError));
            usable(false);
            QCOMPARE(readBytes(video), Bytes(wholeVideo.begin(), wholeVideo.begin() + 50));
            QCOMPARE(readBytes(audio), ddPlus(0x22));
            // "Demux" comes back with the next change of a tick.
            w.box(audioBox(3))->setChecked(false);
            w.box(audioBox(3))->setChecked(true);
            usable(true);

            files.failClose(".rebuilt.EVO");
            QTest::mouseClick(w.button(Button::bRebuild), Qt::LeftButton);
            QCOMPARE(errors.last(), QString(kStreamWriteError));
            QCOMPARE(errors.size(), 3);
            usable(true);
            QVERIFY(!w.button(Button::bCancel)->isEnabled());
        }
        QTest::mouseClick(w.button(Button::bDemux), Qt::LeftButton);
        QCOMPARE(memoLines(w).last(), QString("24 frames (0:00:01 s) count in video stream 0."));
        QCOMPARE(readBytes(video), wholeVideo);
        QTest::mouseClick(w.button(Button::bRebuild), Qt::LeftButton);
        QCOMPARE(memoLines(w).last(), QString("Done."));
        QCOMPARE(readBytes(out + "/FEATURE_1.rebuilt.EVO").size(), 5 * kMiB);
        QCOMPARE(errors.size(), 3);
        usable(true);
    }

    // Cancel, or closing the window, while Demux or Rebuild writes asks
    // first: No lets it go on, Yes stops it after the current block; the
    // files are closed with what was written, then the window takes the
    // next command, or closes.
    void cancelOrCloseDuringAWriteKeepsTheOutputs_data() {
        QTest::addColumn<int>("command");
        QTest::newRow("Demux") << static_cast<int>(Button::bDemux);
        QTest::newRow("Rebuild") << static_cast<int>(Button::bRebuild);
    }
    void cancelOrCloseDuringAWriteKeepsTheOutputs() {
        QFETCH(int, command);
        const bool demux = command == static_cast<int>(Button::bDemux);
        QTemporaryDir own;
        TfMain w;
        TempStore store(own);
        QVERIFY(showWithStore(w, store.get()));
        Questions questions(w);
        // Video at the start, at 6 MiB (written: before the second event
        // point) and at 10 MiB (never reached).
        Bytes content = feature(6 * kMiB) + pack({vc1Packet(2, 0x66)});
        const Bytes padding = pack({});
        while (content.size() < 10 * kMiB) content += padding;
        content += pack({vc1Packet(3, 0xAA)});
        while (content.size() < 12 * kMiB) content += padding;
        const QString source = writeFile(QDir(own.path()).filePath("HVDVD_TS/FEATURE_1.EVO"), content);
        const QString out = QDir(own.path()).filePath("out");
        QVERIFY(QDir().mkpath(out));
        w.dropFile(source);
        w.edit(Edit::eWorkdir)->setText(out);
        w.box(Box::cbFastCheck)->setChecked(false);
        QTest::mouseClick(w.button(Button::bCheck), Qt::LeftButton);
        QVERIFY(w.button(Button::bDemux)->isEnabled());
        const int descriptors = openDescriptors();

        // Events run only at the progress points; the timer acts at the
        // first (4 MiB, answered No) and the second (8 MiB, answered Yes):
        // with Cancel in the first run, by closing the window in the second.
        const QString verb = demux ? " Demuxing " : " Rebuilding ";
        bool closing = false;
        QTimer atEvents;
        atEvents.setInterval(0);
        QStringList seen;
        connect(&atEvents, &QTimer::timeout, &w, [&] {
            const QString shown = w.panel(1)->text().section(' ', 0, 3);
            if (!w.commandRunning() || !shown.startsWith(verb) || seen.contains(shown)) return;
            seen << shown;
            questions.answer = seen.size() == 2;
            if (closing)
                w.close();
            else
                QTest::mouseClick(w.button(Button::bCancel), Qt::LeftButton);
            QVERIFY(w.isVisible());
        });
        for (bool close : {false, true}) {
            closing = close;
            seen.clear();
            questions.asked.clear();
            atEvents.start();
            QTest::mouseClick(w.button(static_cast<Button>(command)), Qt::LeftButton);
            atEvents.stop();
            QCOMPARE(seen, (QStringList{verb + "FEATURE_1.EVO 4/12", verb + "FEATURE_1.EVO 8/12"}));
            QCOMPARE(questions.asked,
                     (QStringList{"Are you sure to stop demuxing?", "Are you sure to stop demuxing?"}));
            QCOMPARE(w.isVisible(), !close);
            QCOMPARE(memoLines(w).last(), QString("Done."));
            QVERIFY(allClosed(w));
            QCOMPARE(openDescriptors(), descriptors);
            if (demux) {
                QCOMPARE(readBytes(out + "/FEATURE_1.VC-1.stream.0.mpv"), vc1Payload(24, 0x11) + vc1Payload(2, 0x66));
                QCOMPARE(readBytes(out + "/FEATURE_1.DD+.stream.03.mpa"), ddPlus(0x22));
            } else {
                // Every pack is kept; only the DD+ stream is renumbered (0xC3 to 0xC0).
                Bytes kept = readBytes(out + "/FEATURE_1.rebuilt.EVO");
                QCOMPARE(kept.size(), 8 * kMiB);
                const auto part = [](const Bytes& b, std::size_t from, std::size_t to) {
                    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(to));
                };
                QCOMPARE(part(kept, 6 * kMiB, kept.size()), part(content, 6 * kMiB, 8 * kMiB));
            }
            if (close) break;
            // After Cancel the window takes the same command again.
            QVERIFY(!w.commandRunning());
            for (Button b : {Button::bCheck, Button::bDemux, Button::bRebuild, Button::bReadXPL, Button::bbEVO})
                QVERIFY2(w.button(b)->isEnabled(), buttonName(b).c_str());
            QVERIFY(!w.button(Button::bCancel)->isEnabled());
        }
        QVERIFY(store.reopen()->contains("Width"));
    }
};

QTEST_MAIN(WindowFaultsTest)
#include "window_faults_test.moc"
