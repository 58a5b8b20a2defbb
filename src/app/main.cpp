// strandex: the desktop program.
#include <QApplication>

#include "app/tf_main.h"
#include "app/window_identity.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    strandex::nameApplication();
    strandex::TfMain fMain;
    fMain.FormActivate();  // settings and boxes before the user can act
    fMain.show();
    return QApplication::exec();
}
