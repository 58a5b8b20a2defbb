// strandex: the desktop program.
#include <QApplication>

#include "app/tf_main.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName("HD DVD Strandex");
    QApplication::setApplicationName("Strandex");
    QApplication::setOrganizationName("Quorvel Software");
    strandex::TfMain fMain;
    fMain.FormActivate();  // settings and boxes before the user can act
    fMain.show();
    return QApplication::exec();
}
