// "Mux into MKV after Demux" in the window: made without mkvmerge on the
// PATH, the box cannot be ticked and its hint says what to install; ticked,
// Demux of REAL_1.EVO with its playlist ends with the MKV, and the status
// panels showed "Muxing" while the real mkvmerge ran.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/tf_main.h"
#include "window_support.h"

using namespace strandex;
using namespace strandex::test;

// PATH as the test sets it, put back when the test ends.
class PathVariable {
public:
    explicit PathVariable(const QByteArray& path) : before_(qgetenv("PATH")) { qputenv("PATH", path); }
    ~PathVariable() { qputenv("PATH", before_); }

private:
    QByteArray before_;
};

class WindowMuxTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString source_;  // .../disc/HVDVD_TS/REAL_1.EVO

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keepSettingsInTemp(dir_);
        QVERIFY(QDir().mkpath(path("disc/HVDVD_TS")));
        QVERIFY(QDir().mkpath(path("disc/ADV_OBJ")));
        QVERIFY(QDir().mkpath(path("out")));
        source_ = path("disc/HVDVD_TS/REAL_1.EVO");
        QVERIFY(QFile::copy(STRANDEX_FIXTURES "/REAL_1.EVO", source_));
        QVERIFY(QFile::copy(STRANDEX_FIXTURES "/xpl/REAL_EVO.XPL", path("disc/ADV_OBJ/VPLST000.XPL")));
    }

    void withoutMkvmergeTheBoxIsDisabledWithItsReason() {
        QVERIFY(QDir().mkpath(path("empty")));
        std::unique_ptr<TfMain> w;
        {
            PathVariable empty(path("empty").toUtf8());
            w = std::make_unique<TfMain>();
        }
        QCheckBox* mux = w->box(Box::cbMuxMkv);
        QVERIFY(!mux->isEnabled());
        QVERIFY(!mux->isChecked());
        QCOMPARE(mux->toolTip(), QString("Muxing needs mkvmerge (Debian package mkvtoolnix)."));
        // Made with mkvmerge there, the box can be ticked.
        TfMain found;
        QVERIFY(found.box(Box::cbMuxMkv)->isEnabled());
        QVERIFY(found.box(Box::cbMuxMkv)->toolTip() != mux->toolTip());
    }

    void tickedDemuxEndsWithTheMkvAfterTheStatusShowedMuxing() {
        TfMain w;
        TempStore store(dir_, "mux.ini");
        QVERIFY(showWithStore(w, store.get()));
        w.dropFile(source_);
        QTest::mouseClick(w.button(Button::bReadXPL), Qt::LeftButton);
        w.edit(Edit::eWorkdir)->setText(path("out"));
        w.pages()->setCurrentIndex(5);
        QTest::mouseClick(w.box(Box::cbMuxMkv), Qt::LeftButton);
        QVERIFY(w.box(Box::cbMuxMkv)->isChecked());
        // What the first panel shows each time the run lets events in.
        QStringList shown;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (shown.isEmpty() || shown.last() != w.panel(0)->text()) shown << w.panel(0)->text();
        });
        watch.start(0);
        QTest::mouseClick(w.button(Button::bDemux), Qt::LeftButton);
        watch.stop();
        QVERIFY2(shown.contains(" Muxing"), qPrintable(shown.join("|")));
        const QStringList lines = memoLines(w);
        QCOMPARE(lines.last(), QString("Created REAL_1.mkv"));
        QVERIFY(lines.contains("Muxing REAL_1.mkv"));
        QVERIFY(QFileInfo(path("out/REAL_1.mkv")).size() > 0);
        // What went in is removed.
        QCOMPARE(QDir(path("out")).entryList(QDir::Files), QStringList{"REAL_1.mkv"});
        QCOMPARE(w.panel(0)->text(), QString(" Ready"));
        QVERIFY(w.button(Button::bDemux)->isEnabled());
        QVERIFY(!w.button(Button::bCancel)->isEnabled());
    }

    // mkvmerge refuses the plan (a stand-in first on the PATH when Demux
    // starts): its line in the log, the error box, no MKV, the streams
    // kept, and the window ready for the next command.
    void aFailingMkvmergeEndsInTheErrorBoxWithTheStreamsKept() {
        QVERIFY(QDir().mkpath(path("bin")));
        QVERIFY(QDir().mkpath(path("failed")));
        QFile script(path("bin/mkvmerge"));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\necho '#GUI#error The file could not be opened.'\nexit 2\n");
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        TfMain w;
        TempStore store(dir_, "failed.ini");
        QVERIFY(showWithStore(w, store.get()));
        QStringList errors;
        w.errorHook = [&](const QString& message) { errors << message; };
        w.dropFile(source_);
        QTest::mouseClick(w.button(Button::bReadXPL), Qt::LeftButton);
        w.edit(Edit::eWorkdir)->setText(path("failed"));
        w.box(Box::cbMuxMkv)->setChecked(true);
        {
            PathVariable standIn(path("bin").toUtf8() + ":" + qgetenv("PATH"));
            QTest::mouseClick(w.button(Button::bDemux), Qt::LeftButton);
        }
        QCOMPARE(errors, QStringList{"mkvmerge could not make REAL_1.mkv. The streams are kept."});
        QCOMPARE(memoLines(w).last(), QString("mkvmerge: The file could not be opened."));
        const QStringList kept = QDir(path("failed")).entryList(QDir::Files);
        QVERIFY2(!kept.contains("REAL_1.mkv"), qPrintable(kept.join(" ")));
        QVERIFY(kept.contains("REAL_1.AVC.stream.0.h264"));
        QCOMPARE(kept.size(), 7);  // four streams, two chapter files, the plan
        QVERIFY(!w.button(Button::bCancel)->isEnabled());
        QVERIFY(!w.commandRunning());
        QCOMPARE(w.panel(0)->text(), QString(" Ready"));
        // As after any error of Demux, its button comes back with the next
        // change of a tick.
        QVERIFY(!w.button(Button::bDemux)->isEnabled());
        w.box(audioBox(1))->setChecked(false);
        w.box(audioBox(1))->setChecked(true);
        QVERIFY(w.button(Button::bDemux)->isEnabled());
    }
};

QTEST_MAIN(WindowMuxTest)
#include "window_mux_test.moc"
