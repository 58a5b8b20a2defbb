// Choosing the source and the playlist through the two open dialogs: their
// titles, filters, default extensions and start folders, and what a
// cancelled dialog leaves in the edits.
#include <QAbstractButton>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QtTest>

#include "app/tf_main.h"
#include "window_support.h"

using namespace strandex;
using namespace strandex::test;

namespace {

// What the open dialog showed when the window asked for a file.
struct Shown {
    QString title;
    QStringList filters;
    QString suffix;
    QString folder;
    QStringList selected;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    bool followsLinks = true;
    QList<QStringList> listed;  // the files each filter lets through
};

// The files of `folder` that each name filter of the dialog lets through,
// matched as the dialog's own file model matches them.
QList<QStringList> listedByEachFilter(QFileDialog& d, const QString& folder) {
    QList<QStringList> listed;
    auto* model = d.findChild<QFileSystemModel*>();
    if (!model) return listed;
    for (const QString& filter : d.nameFilters()) {
        d.selectNameFilter(filter);
        QStringList files = QDir(folder).entryList(model->nameFilters(), QDir::Files, QDir::Name);
        listed << files;
    }
    return listed;
}

class Dialogs {
public:
    explicit Dialogs(TfMain& w) {
        w.fileDialogHook = [this](QFileDialog& d) {
            Shown s;
            s.title = d.windowTitle();
            s.filters = d.nameFilters();
            s.suffix = d.defaultSuffix();
            s.folder = d.directory().absolutePath();
            s.selected = d.selectedFiles();
            s.mode = d.fileMode();
            s.followsLinks = !d.testOption(QFileDialog::DontResolveSymlinks);
            if (!sample.isEmpty()) s.listed = listedByEachFilter(d, sample);
            shown << s;
            return answers.isEmpty() ? QString() : answers.takeFirst();
        };
    }
    QStringList answers;  // "" cancels
    QList<Shown> shown;
    QString sample;  // a folder whose files the filters are tried on
};

}  // namespace

class SourceDialogsTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString path(const QString& name) const { return QDir(dir_.path()).filePath(name); }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        keepSettingsInTemp(dir_);
        for (const char* name :
             {"disc/HVDVD_TS/FEATURE_1.EVO", "disc/ADV_OBJ/VPLST000.XPL", "files/FEATURE_1.EVO",
              "files/feature_2.evo", "files/VTS_01_1.VOB", "files/vts_01_2.vob", "files/notes.txt",
              "files/VPLST000.XPL", "files/vplst000.xpl", "files/VPLST001.XPL", "files/FEATURE_1.EVOB",
              "files/VTS_01_0.IFO", "files/vts_02_0.ifo", "files/VTS_01_0.BUP", "files/VIDEO_TS.IFO"})
            QVERIFY(!writeFile(path(name)).isEmpty());
    }

    void sourceDialogOpensInTheSourceFolderAndListsDiscFilesInAnyCase() {
        TfMain w;
        TempStore store(dir_, "source.ini");
        store->setValue("EVOdir", path("files") + "/");
        QVERIFY(showWithStore(w, store.get()));
        Dialogs dialogs(w);
        dialogs.sample = path("files");
        dialogs.answers << path("disc/HVDVD_TS/FEATURE_1.EVO");
        QTest::mouseClick(w.button(Button::bbEVO), Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 1);
        const Shown& s = dialogs.shown[0];
        QCOMPARE(s.title, QString("Choose the EVO file to demux"));
        QCOMPARE(s.folder, path("files"));
        QCOMPARE(s.suffix, QString("EVO"));
        QCOMPARE(s.mode, QFileDialog::ExistingFile);
        QVERIFY(!s.followsLinks);
        QCOMPARE(s.filters.size(), 2);
        QVERIFY(s.filters[0].startsWith("EVOB files (HD DVD) ("));
        QVERIFY(s.filters[1].startsWith("VOB files (DVD) ("));
        QCOMPARE(s.listed.size(), 2);
        QCOMPARE(s.listed.value(0), (QStringList{"FEATURE_1.EVO", "feature_2.evo"}));
        QCOMPARE(s.listed.value(1), (QStringList{"VTS_01_1.VOB", "vts_01_2.vob"}));

        QCOMPARE(w.edit(Edit::eEVOfile)->text(), path("disc/HVDVD_TS/FEATURE_1.EVO"));
        QCOMPARE(w.edit(Edit::eXPLfile)->text(), path("disc/ADV_OBJ/VPLST000.XPL"));
        QVERIFY(w.button(Button::bCheck)->isEnabled());
        QVERIFY(w.button(Button::bReadXPL)->isEnabled());

        // Cancelled, the dialog still holds the earlier choice.
        QTest::mouseClick(w.button(Button::bbEVO), Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 2);
        QCOMPARE(dialogs.shown[1].folder, path("disc/HVDVD_TS"));
        QCOMPARE(w.edit(Edit::eEVOfile)->text(), path("disc/HVDVD_TS/FEATURE_1.EVO"));
        QVERIFY(w.button(Button::bCheck)->isEnabled());
    }

    void cancellingBeforeAnyChoiceLeavesNoSource() {
        QTemporaryDir own;
        TempStore store(own);
        store->setValue("EVOdir", path("files") + "/");
        store->sync();
        {
            TfMain w;
            QVERIFY(showWithStore(w, store.get()));
            Dialogs dialogs(w);
            QTest::mouseClick(w.button(Button::bbEVO), Qt::LeftButton);
            QCOMPARE(dialogs.shown.size(), 1);
            QCOMPARE(dialogs.shown[0].folder, path("files"));
            QVERIFY(w.edit(Edit::eEVOfile)->text().isEmpty());
            QVERIFY(!w.button(Button::bCheck)->isEnabled());
            QCOMPARE(w.edit(Edit::eXPLfile)->text(), QString("VPLST000.XPL"));
            QVERIFY(!w.button(Button::bReadXPL)->isEnabled());
            QVERIFY(w.session().paths.EVOdir.empty());
            QVERIFY(w.close());
        }
        QCOMPARE(store.reopen()->value("EVOdir").toString(), QString());  // stored empty
    }

    void playlistDialogAfterASourceInTheDiscLayout() {
        TfMain w;
        TempStore store(dir_, "playlist.ini");
        QVERIFY(showWithStore(w, store.get()));
        Dialogs dialogs(w);
        dialogs.sample = path("files");
        w.dropFile(path("disc/HVDVD_TS/FEATURE_1.EVO"));

        // The dialog opens in ADV_OBJ with the playlist's name preset;
        // cancelled, it yields that bare name.
        QTest::mouseClick(w.button(Button::bbXPL), Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 1);
        const Shown& s = dialogs.shown[0];
        QVERIFY(s.title != QString("Choose the EVO file to demux"));
        QCOMPARE(s.folder, path("disc/ADV_OBJ"));
        QCOMPARE(s.selected, QStringList{path("disc/ADV_OBJ/VPLST000.XPL")});
        QCOMPARE(s.suffix, QString("xpl"));
        QCOMPARE(s.filters.size(), 2);
        QVERIFY(s.filters[0].startsWith("XPL ("));
        QCOMPARE(s.listed.value(0), (QStringList{"VPLST000.XPL", "vplst000.xpl"}));
        QVERIFY(s.filters[1].startsWith("DVD title set ("));
        QCOMPARE(s.listed.value(1), (QStringList{"VTS_01_0.IFO", "vts_02_0.ifo"}));
        // The bare name is a hint, not a file: "Read XPL" waits for a
        // playlist with a folder, and the folder chosen before stays.
        QCOMPARE(w.edit(Edit::eXPLfile)->text(), QString("VPLST000.XPL"));
        QCOMPARE(w.session().paths.XPLname, std::string("VPLST000.XPL"));
        QCOMPARE(QString::fromStdString(w.session().paths.XPLdir), path("disc/ADV_OBJ/"));
        QVERIFY(!w.button(Button::bReadXPL)->isEnabled());

        // A playlist chosen in another disc's ADV_OBJ moves the source folder there.
        dialogs.answers << path("other/ADV_OBJ/VPLST000.XPL");
        QDir().mkpath(path("other/HVDVD_TS"));
        QTest::mouseClick(w.button(Button::bbXPL), Qt::LeftButton);
        QCOMPARE(w.edit(Edit::eXPLfile)->text(), path("other/ADV_OBJ/VPLST000.XPL"));
        QVERIFY(w.button(Button::bReadXPL)->isEnabled());
        QCOMPARE(QString::fromStdString(w.session().paths.EVOdir), path("other/HVDVD_TS/"));
        QCOMPARE(w.edit(Edit::eEVOfile)->text(), path("disc/HVDVD_TS/FEATURE_1.EVO"));
        QTest::mouseClick(w.button(Button::bbEVO), Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 3);
        QCOMPARE(dialogs.shown[2].folder, path("other/HVDVD_TS"));
        // The source came by a drop, so the dialog held no choice of its own.
        QVERIFY(w.edit(Edit::eEVOfile)->text().isEmpty());
        QVERIFY(!w.button(Button::bCheck)->isEnabled());

        // The next playlist dialog opens where the last playlist was chosen,
        // also outside any disc layout.
        QVERIFY(!writeFile(path("other/ADV_OBJ/VPLST000.XPL")).isEmpty());  // a dialog opens in folders that exist
        dialogs.answers << writeFile(path("lists/VPLST000.XPL"));
        QTest::mouseClick(w.button(Button::bbXPL), Qt::LeftButton);
        QTest::mouseClick(w.button(Button::bbXPL), Qt::LeftButton);
        QCOMPARE(dialogs.shown.size(), 5);
        QCOMPARE(dialogs.shown[3].folder, path("other/ADV_OBJ"));
        QCOMPARE(dialogs.shown[4].folder, path("lists"));
        QCOMPARE(w.edit(Edit::eXPLfile)->text(), path("lists/VPLST000.XPL"));
    }
};

QTEST_MAIN(SourceDialogsTest)
#include "source_dialogs_test.moc"
