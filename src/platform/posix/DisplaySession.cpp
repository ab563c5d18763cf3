// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplaySession.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace DisplaySession {

namespace {

QtMessageHandler passOn = nullptr;

// Qt looks for a Flatpak marker in the user's runtime folder (XDG_RUNTIME_DIR) while it
// makes the application object. A session opened by su, or by ssh or cron where no login
// manager sets that folder, has none, and Qt then says so on every start, although nothing
// in this program uses the folder. Qt's other notices about it (a folder with the wrong
// owner or permissions) still pass.
void quietStart(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    passOn(type, context, message);
}

} // namespace

std::string Missing() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
        !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {};
    return "wingscribe: cannot start: no display found (neither DISPLAY nor WAYLAND_DISPLAY is "
           "set); start it on a desktop, or over ssh with X forwarding (ssh -X)";
#else
    return {};
#endif
}

void PreferX11() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        return;
    const bool wayland = qEnvironmentVariableIsSet("WAYLAND_DISPLAY") ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    if (wayland && qEnvironmentVariableIsSet("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
#endif
}

void BeginQuietStart() {
    passOn = qInstallMessageHandler(quietStart);
}

void EndQuietStart() {
    qInstallMessageHandler(passOn);
}

} // namespace DisplaySession
