// strandex-screenshot EVO OUTDIR [POINTS]: opens the real window, drops EVO
// on it, presses "Read EVO" and saves what the screen shows of the window:
//   OUTDIR/window-status.png   the Status page with the log from its start
//   OUTDIR/window-audio.png    the Audio page with the streams found
//   OUTDIR/window-options.png  the Options page
// With POINTS the window's font is the desktop's at that size, and the
// names end in -POINTSpt (window-audio-14pt.png). Run it on an X server (for
// example Xvfb) with QT_QPA_PLATFORM=xcb. The settings go to a temporary
// store, so the user's own are not touched.
#include <QApplication>
#include <QFont>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "app/tf_main.h"
#include "app/window_identity.h"

namespace {

constexpr int kSettleMs = 400;  // time for the window system to show a change

bool saveWindow(strandex::TfMain& window, const QString& path) {
    QPixmap shot = window.screen()->grabWindow(window.winId());
    if (shot.isNull() || !shot.save(path, "PNG")) {
        std::fprintf(stderr, "strandex-screenshot: cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s %dx%d\n", qPrintable(path), shot.width(), shot.height());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    strandex::nameApplication();
    const QStringList args = QApplication::arguments();
    if (args.size() != 3 && args.size() != 4) {
        std::fprintf(stderr, "usage: strandex-screenshot EVO OUTDIR [POINTS]\n");
        return 2;
    }
    const QString evo = args[1], outDir = args[2];
    QString suffix;
    if (args.size() == 4) {
        QFont font = QApplication::font();
        font.setPointSize(args[3].toInt());
        QApplication::setFont(font);
        suffix = "-" + args[3] + "pt";
    }
    auto shot = [&](const char* page) { return outDir + "/window-" + page + suffix + ".png"; };

    QTemporaryDir settingsDir;
    QSettings store(settingsDir.filePath("settings.ini"), QSettings::IniFormat);
    strandex::TfMain window;
    window.useSettings(&store);
    window.FormActivate();
    window.show();

    int failures = 0;
    QTimer::singleShot(kSettleMs, [&] {
        window.dropFile(evo);
        window.bCheckClick();
        window.memo()->verticalScrollBar()->setValue(0);
        window.memo()->horizontalScrollBar()->setValue(0);
        QTimer::singleShot(kSettleMs, [&] {
            if (!saveWindow(window, shot("status"))) ++failures;
            window.pages()->setCurrentIndex(2);  // Audio
            QTimer::singleShot(kSettleMs, [&] {
                if (!saveWindow(window, shot("audio"))) ++failures;
                window.pages()->setCurrentIndex(5);  // Options
                QTimer::singleShot(kSettleMs, [&] {
                    if (!saveWindow(window, shot("options"))) ++failures;
                    window.close();
                });
            });
        });
    });
    QApplication::exec();
    return failures == 0 ? 0 : 1;
}
