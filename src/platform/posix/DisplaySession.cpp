// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplaySession.h"

#include <QByteArray>
#include <QString>

namespace DisplaySession {

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

} // namespace DisplaySession
