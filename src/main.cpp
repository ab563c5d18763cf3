// Wingscribe: shows the radio and ATIS texts of an air-traffic-control simulator in a long,
// low caption window.
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wingscribe"));
    QApplication::setQuitOnLastWindowClosed(false); // the caption window decides the end
    if (!MainMod::Main())
        return 0;
    return QApplication::exec();
}
