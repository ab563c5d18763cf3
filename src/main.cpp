// SPDX-License-Identifier: GPL-3.0-or-later
// Wingscribe: shows the radio and ATIS texts of an air-traffic-control simulator in a long,
// low caption window.
#include "platform/App.h"
#include "platform/DisplaySession.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <cstdio>
#include <string>

int main(int argc, char* argv[]) {
    // Without a display Qt would abort while making the application object; say why instead.
    const std::string missing = DisplaySession::Missing();
    if (!missing.empty()) {
        std::fprintf(stderr, "%s\n", missing.c_str());
        return 1;
    }
    DisplaySession::PreferX11();
    DisplaySession::BeginQuietStart();
    QApplication app(argc, argv);
    DisplaySession::EndQuietStart();
    QApplication::setApplicationName(QStringLiteral("Wingscribe"));
    QApplication::setWindowIcon(App::Icon());
    QApplication::setQuitOnLastWindowClosed(false); // the caption window decides the end
    if (!MainMod::Main())
        return 0;
    return QApplication::exec();
}
