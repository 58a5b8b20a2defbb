#include "app/window_identity.h"

#include <QGuiApplication>

#include "app/settings.h"
#include "version.h"

namespace strandex {

void nameApplication() {
    QCoreApplication::setApplicationName(kApplication);
    QCoreApplication::setOrganizationName(kOrganisation);
    // Task bars find the entry, its name and icon, by this file name.
    QGuiApplication::setDesktopFileName("strandex");
}

QString mainWindowTitle() { return QString("Strandex ") + kVersion; }

}  // namespace strandex
