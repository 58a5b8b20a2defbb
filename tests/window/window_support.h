// What the window test programs share: a settings store in a temporary
// folder, the lines of the Status memo, a shown window that never touches
// the user's own settings, files written for it, and its questions
// answered.
#pragma once
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/tf_main.h"
#include "support/pack_builder.h"

namespace strandex::test {

// How long a test waits for the window system (a window shown, a new state
// answered with a resize) before it gives up. Waits end as soon as the
// condition holds; the limit only has to outlast a busy machine running the
// sanitizer build.
constexpr int kWindowWaitMs = 60000;

// Keeps any store the window might open on its own out of the user's home.
inline void keepSettingsInTemp(const QTemporaryDir& dir) {
    qputenv("XDG_CONFIG_HOME", QDir(dir.path()).filePath("config").toUtf8());
}

// An INI store at a path of its own; reopen() reads what a window wrote.
class TempStore {
public:
    explicit TempStore(const QTemporaryDir& dir, const QString& name = "Strandex.ini")
        : path_(QDir(dir.path()).filePath(name)) {
        reopen();
    }
    QSettings* reopen() {
        store_ = std::make_unique<QSettings>(path_, QSettings::IniFormat);
        return store_.get();
    }
    QSettings* get() const { return store_.get(); }
    QSettings* operator->() const { return store_.get(); }
    const QString& path() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QSettings> store_;
};

inline QStringList memoLines(const TfMain& w) {
    QString text = w.memo()->toPlainText();
    if (text.isEmpty() && w.memo()->document()->blockCount() <= 1) return {};
    return text.split('\n');
}

// Shows the window with the store handed over first, as at start-up.
inline bool showWithStore(TfMain& w, QSettings* store) {
    w.useSettings(store);
    w.show();
    return QTest::qWaitForWindowExposed(&w, kWindowWaitMs);
}

// Writes the file, making its folders; a larger size makes the rest read
// as zeros without taking room. Returns the path, or "" when it failed.
inline QString writeFile(const QString& path, const Bytes& content = {}, qint64 size = -1) {
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return {};
    f.write(reinterpret_cast<const char*>(content.data()), static_cast<qint64>(content.size()));
    if (size > 0) f.resize(size);
    return path;
}

// Stands in for the Yes/No box: keeps each question the window asks and
// gives it the answer set here.
struct Questions {
    explicit Questions(TfMain& w) {
        w.confirmHook = [this](const QString& question) {
            asked << question;
            return answer;
        };
    }
    QStringList asked;
    bool answer = false;
};

}  // namespace strandex::test
