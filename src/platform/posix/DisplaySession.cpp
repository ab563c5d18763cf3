// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplaySession.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

namespace DisplaySession {

namespace {

QtMessageHandler passOn = nullptr;

// The window system's notices while the application object is made, held back: when no
// window system can be reached they make one line, else they pass on once it exists.
struct Held {
    QtMsgType type;
    const char* file; // Qt's own, which live as long as the program
    int line;
    const char* function;
    const char* category;
    QString message;
};
std::vector<Held> held;

// Qt looks for a Flatpak marker in the user's runtime folder (XDG_RUNTIME_DIR) while it
// makes the application object. A session opened by su, or by ssh or cron where no login
// manager sets that folder, has none, and Qt then says so on every start, although nothing
// in this program uses the folder. Qt's other notices about it (a folder with the wrong
// owner or permissions) still pass.
//
// A display that is named but cannot be reached (a stale DISPLAY in an ssh session, an X
// server that has gone) makes Qt abort with several lines of advice about reinstalling; the
// program says why in one line instead, as for no display at all, and ends.
void quietStart(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg &&
        message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    if (type == QtFatalMsg && message.contains(QLatin1String("no Qt platform plugin"))) {
        const auto reason = std::find_if(held.begin(), held.end(), [](const Held& each) {
            return each.message.startsWith(QLatin1String("could not connect to display"));
        });
        const QByteArray why = reason != held.end()
                                   ? reason->message.trimmed().toLocal8Bit()
                                   : QByteArrayLiteral("no window system could be reached");
        std::fprintf(stderr, "wingscribe: cannot start: %s\n", why.constData());
        std::_Exit(1);
    }
    if (type != QtFatalMsg && context.category &&
        std::strncmp(context.category, "qt.qpa.", 7) == 0) {
        held.push_back(
            {type, context.file, context.line, context.function, context.category, message});
        return;
    }
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
    for (const Held& each : std::exchange(held, {}))
        qt_message_output(each.type,
                          QMessageLogContext(each.file, each.line, each.function, each.category),
                          each.message);
}

} // namespace DisplaySession
