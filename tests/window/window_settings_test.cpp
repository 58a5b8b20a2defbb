// The settings between two runs: what a first start shows, what a close
// stores, what the next start restores, and a stored value of the wrong
// kind, each through a store in a temporary folder.
#include <QCheckBox>
#include <QDateTime>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QtEndian>
#include <QtTest>
#include <cstring>

#include "app/tf_main.h"
#include "window_support.h"

using namespace strandex;
using namespace strandex::test;

namespace {

const QStringList kValueNames{"WindowState", "Top",       "Left",        "Width",   "Height", "TreeWidth",
                              "AudioExt",    "VideoExt",  "SubExt",      "Workdir", "EVOdir", "XPLdir",
                              "Continue",    "FastCheck", "CountFrames", "Details", "CodecFiles",
                              "MuxMkv",      "Install"};

// The designed client size, or the least size of the window's content at
// the test's font where that is larger.
QSize startSize(const TfMain& w) { return QSize(362, 346).expandedTo(w.minimumSize()); }

int treeWidth(TfMain& w) {
    w.pages()->setCurrentIndex(4);  // lays the splitter out
    return w.findChild<QSplitter*>("splXPL")->sizes().value(0);
}

double stampDays(const QByteArray& bytes) {
    quint64 bits = qFromLittleEndian<quint64>(bytes.constData());
    double days = 0;
    std::memcpy(&days, &bits, sizeof days);
    return days;
}

double daysNow() {
    QDateTime now = QDateTime::currentDateTime();
    return static_cast<double>(QDate(1899, 12, 30).daysTo(now.date())) +
           now.time().msecsSinceStartOfDay() / 86400000.0;
}

}  // namespace

class WindowSettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keepSettingsInTemp(dir_);
    }

    void firstStartShowsTheDefaultsAndTheFirstCloseStoresEveryValue() {
        QTemporaryDir own;
        TempStore store(own);
        QSize start;
        {
            TfMain w;
            QStringList errors;
            w.errorHook = [&](const QString& m) { errors << m; };
            QVERIFY(showWithStore(w, store.get()));
            QVERIFY(errors.isEmpty());
            start = w.size();
            QCOMPARE(start, startSize(w));
            QCOMPARE(w.edit(Edit::eVideoExt)->text(), QString("mpv"));
            QCOMPARE(w.edit(Edit::eAudioExt)->text(), QString("mpa"));
            QCOMPARE(w.edit(Edit::eSubExt)->text(), QString("sup"));
            QVERIFY(w.edit(Edit::eWorkdir)->text().isEmpty());
            for (Box b : {Box::cbContinue, Box::cbFastCheck, Box::cbCountFr, Box::cbDetails})
                QVERIFY2(w.box(b)->isChecked(), boxName(b).c_str());
            QVERIFY(!w.box(Box::cbCodecFiles)->isChecked());  // the kind extensions until asked for
            QCOMPARE(treeWidth(w), 96);
            QVERIFY(store->allKeys().isEmpty());  // nothing stored before the close
            QCOMPARE(w.box(audioBox(0))->text(), QString("No audio stream"));
            QVERIFY(w.close());
        }
        QSettings* st = store.reopen();
        QStringList keys = st->allKeys();
        keys.sort();
        QStringList expected = kValueNames;
        expected.sort();
        QCOMPARE(keys, expected);
        QCOMPARE(st->value("WindowState").toInt(), 0);
        QCOMPARE(st->value("Width").toInt(), start.width());
        QCOMPARE(st->value("Height").toInt(), start.height());
        QCOMPARE(st->value("TreeWidth").toInt(), 96);
        QCOMPARE(st->value("VideoExt").toString(), QString("mpv"));
        QCOMPARE(st->value("AudioExt").toString(), QString("mpa"));
        QCOMPARE(st->value("SubExt").toString(), QString("sup"));
        QCOMPARE(st->value("CodecFiles").toInt(), 0);
        QCOMPARE(st->value("Workdir").toString(), QString());
        QCOMPARE(st->value("EVOdir").toString(), QString());
        QCOMPARE(st->value("XPLdir").toString(), QString());
        for (const char* name : {"Continue", "FastCheck", "CountFrames", "Details"})
            QCOMPARE(st->value(name).toString(), QString("1"));
        const QVariant install = st->value("Install");
        QCOMPARE(install.typeId(), int(QMetaType::QByteArray));
        QCOMPARE(install.toByteArray().size(), 8);
        QVERIFY(qAbs(stampDays(install.toByteArray()) - daysNow()) < 2.0 / 1440);  // within two minutes
    }

    void closeStoresWhatTheUserLeftAndTheNextStartRestoresIt() {
        QTemporaryDir own;
        TempStore store(own);
        store->setValue("Install", QByteArray("12345678"));
        QPoint place;
        {
            TfMain w;
            QVERIFY(showWithStore(w, store.get()));
            w.resize(420, 400);
            w.move(40, 30);
            place = w.pos();
            w.pages()->setCurrentIndex(4);
            w.findChild<QSplitter*>("splXPL")->setSizes({150, 150});
            w.edit(Edit::eAudioExt)->setText("ac3");
            w.edit(Edit::eVideoExt)->setText("m2v");
            w.edit(Edit::eWorkdir)->setText(" /out dir/ ");  // stored as typed
            w.box(Box::cbFastCheck)->setChecked(false);
            w.box(Box::cbDetails)->setChecked(false);
            w.box(Box::cbCodecFiles)->setChecked(true);
            w.dropFile(QDir(own.path()).filePath("disc/HVDVD_TS/FEATURE_1.EVO"));
            QVERIFY(w.close());
        }
        QSettings* st = store.reopen();
        QCOMPARE(st->value("Install").toByteArray(), QByteArray("12345678"));  // written once only
        QCOMPARE(st->value("AudioExt").toString(), QString("ac3"));
        QCOMPARE(st->value("Workdir").toString(), QString(" /out dir/ "));
        QCOMPARE(st->value("FastCheck").toInt(), 0);
        QCOMPARE(st->value("TreeWidth").toInt(), 150);
        QCOMPARE(st->value("EVOdir").toString(), QDir(own.path()).filePath("disc/HVDVD_TS/"));
        QCOMPARE(st->value("XPLdir").toString(), QDir(own.path()).filePath("disc/ADV_OBJ/"));
        st->setValue("Continue", 5);
        st->sync();

        TfMain w;
        int dialogs = 0;
        QString startFolder;
        w.fileDialogHook = [&](QFileDialog& d) {
            ++dialogs;
            startFolder = d.directory().absolutePath() + "/";
            return QString();
        };
        QVERIFY(showWithStore(w, store.get()));
        QCOMPARE(w.size(), QSize(420, 400));
        QCOMPARE(w.pos(), place);
        QCOMPARE(w.edit(Edit::eAudioExt)->text(), QString("ac3"));
        QCOMPARE(w.edit(Edit::eVideoExt)->text(), QString("m2v"));
        QCOMPARE(w.edit(Edit::eSubExt)->text(), QString("sup"));
        QCOMPARE(w.edit(Edit::eWorkdir)->text(), QString(" /out dir/ "));
        QVERIFY(w.box(Box::cbContinue)->isChecked());  // any value but 0 ticks
        QVERIFY(!w.box(Box::cbFastCheck)->isChecked());
        QVERIFY(w.box(Box::cbCountFr)->isChecked());
        QVERIFY(!w.box(Box::cbDetails)->isChecked());
        QVERIFY(w.box(Box::cbCodecFiles)->isChecked());
        QCOMPARE(treeWidth(w), 150);
        QCOMPARE(QString::fromStdString(w.session().paths.EVOdir),
                 QDir(own.path()).filePath("disc/HVDVD_TS/"));
        QCOMPARE(QString::fromStdString(w.session().paths.XPLdir),
                 QDir(own.path()).filePath("disc/ADV_OBJ/"));
        QDir().mkpath(QDir(own.path()).filePath("disc/HVDVD_TS"));
        w.bbEVOClick();  // the stored folder is where the next dialog opens
        QCOMPARE(dialogs, 1);
        QCOMPARE(startFolder, QDir(own.path()).filePath("disc/HVDVD_TS/"));

        // The activation steps ran once; a later activation reloads nothing.
        w.edit(Edit::eAudioExt)->setText("dts");
        w.frontEnd().setCaption(audioBox(2), "kept");
        QEvent activation(QEvent::ActivationChange);
        QApplication::sendEvent(&w, &activation);
        w.FormActivate();
        QCOMPARE(w.edit(Edit::eAudioExt)->text(), QString("dts"));
        QCOMPARE(w.box(audioBox(2))->text(), QString("kept"));
    }

    // A user who never opens the XPL page keeps the tree width of the store.
    // The splitter of a page never shown is never laid out, and its sizes
    // are then not the tree's width: 48 is stored whatever was loaded.
    void treeWidthSurvivesARunWithoutTheXplPage() {
        QTemporaryDir own;
        TempStore store(own);
        for (int stored : {96, 150}) {
            store->setValue("TreeWidth", stored);
            store->sync();
            {
                TfMain w;
                QVERIFY(showWithStore(w, store.get()));
                QVERIFY(w.close());
            }
            QCOMPARE(store.reopen()->value("TreeWidth").toInt(), stored);
        }
        {
            TfMain w;  // and on a first start
            TempStore fresh(own, "fresh.ini");
            QVERIFY(showWithStore(w, fresh.get()));
            QVERIFY(w.close());
            QCOMPARE(fresh.reopen()->value("TreeWidth").toInt(), 96);
        }
    }

    void maximisedCloseKeepsTheNormalGeometry() {
        QTemporaryDir own;
        TempStore store(own);
        store->setValue("Left", 40);
        store->setValue("Top", 30);
        store->setValue("Width", 420);
        store->setValue("Height", 400);
        store->sync();
        {
            TfMain w;
            QVERIFY(showWithStore(w, store.get()));
            QCOMPARE(w.size(), QSize(420, 400));
            // The platform answers the new state with a resize of its own, later.
            w.setWindowState(Qt::WindowMaximized);
            const bool resized =
                QTest::qWaitFor([&] { return w.isMaximized() && w.size() != QSize(420, 400); }, kWindowWaitMs);
            if (!w.isMaximized()) QSKIP("the platform plugin does not maximise windows");
            QVERIFY(resized);
            QVERIFY(w.close());
        }
        QSettings* st = store.reopen();
        QCOMPARE(st->value("WindowState").toInt(), 2);
        QCOMPARE(st->value("Left").toInt(), 40);
        QCOMPARE(st->value("Top").toInt(), 30);
        QCOMPARE(st->value("Width").toInt(), 420);
        QCOMPARE(st->value("Height").toInt(), 400);

        // The next start is maximised over the earlier normal geometry.
        TfMain w;
        QVERIFY(showWithStore(w, store.get()));
        QVERIFY(w.isMaximized());
        w.showNormal();
        QTRY_COMPARE_WITH_TIMEOUT(w.size(), QSize(420, 400), kWindowWaitMs);
        QTRY_COMPARE_WITH_TIMEOUT(w.pos(), QPoint(40, 30), kWindowWaitMs);
    }

    void valueOfTheWrongKindStopsLoadingThere() {
        QTemporaryDir own;
        TempStore store(own);
        store->setValue("Width", "abc");
        store->setValue("Height", 400);
        store->setValue("AudioExt", "ac3");
        store->sync();
        TfMain w;
        QStringList errors;
        w.errorHook = [&](const QString& m) { errors << m; };
        QVERIFY(showWithStore(w, store.get()));
        QCOMPARE(errors, QStringList{"Invalid data type for 'Width'"});
        QCOMPARE(w.height(), startSize(w).height());
        QCOMPARE(w.edit(Edit::eAudioExt)->text(), QString("mpa"));
        QCOMPARE(w.box(audioBox(0))->text(), QString("Audio stream"));  // no Resetcbs

        // A bad value later in the order keeps what came before it.
        TempStore later(own, "later.ini");
        later->setValue("Width", 420);
        later->setValue("TreeWidth", "wide");
        later->setValue("AudioExt", "ac3");
        later->setValue("Details", 0);
        later->sync();
        TfMain v;
        errors.clear();
        v.errorHook = [&](const QString& m) { errors << m; };
        QVERIFY(showWithStore(v, later.get()));
        QCOMPARE(errors, QStringList{"Invalid data type for 'TreeWidth'"});
        QCOMPARE(v.width(), 420);
        QCOMPARE(v.edit(Edit::eAudioExt)->text(), QString("mpa"));
        QVERIFY(v.box(Box::cbDetails)->isChecked());
        QCOMPARE(v.box(subBox(0))->text(), QString("Subpicture"));
    }

    // A store that cannot be written to stores nothing; the window closes.
    void closeWithAStoreThatCannotBeWritten() {
        QTemporaryDir own;
        QFile blocker(QDir(own.path()).filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings store(QDir(own.path()).filePath("file/Strandex.ini"), QSettings::IniFormat);
        TfMain w;
        QStringList errors;
        w.errorHook = [&](const QString& m) { errors << m; };
        QVERIFY(showWithStore(w, &store));
        QVERIFY(w.close());
        QVERIFY(!w.isVisible());
        QVERIFY(errors.isEmpty());
        QVERIFY(!QFile::exists(QDir(own.path()).filePath("file/Strandex.ini")));
    }

    void withoutAStoreHandedOverTheUsersOwnIsUsed() {
        TfMain w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w, kWindowWaitMs));
        w.edit(Edit::eSubExt)->setText("idx");
        QVERIFY(w.close());
        const QString file = QDir(dir_.path()).filePath("config/Quorvel Software/Strandex.conf");
        QVERIFY2(QFile::exists(file), qPrintable(file));
        QSettings st(file, QSettings::IniFormat);
        QCOMPARE(st.value("SubExt").toString(), QString("idx"));
    }
};

QTEST_MAIN(WindowSettingsTest)
#include "window_settings_test.moc"
