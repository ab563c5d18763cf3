// SPDX-License-Identifier: GPL-3.0-or-later
// Wingscribe: shows the radio and ATIS texts of an air-traffic-control simulator in a long,
// low caption window.
#include "platform/App.h"
#include "platform/DisplaySession.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    DisplaySession::PreferX11();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Wingscribe"));
    QApplication::setWindowIcon(App::Icon());
    QApplication::setQuitOnLastWindowClosed(false); // the caption window decides the end
    if (!MainMod::Main())
        return 0;
    return QApplication::exec();
}
