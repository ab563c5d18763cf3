// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/App.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <optional>

#include "wingscribe-32.xpm"

namespace {

struct Location {
    std::string path;
    std::string exeName;
};

std::optional<Location>& testLocation() {
    static std::optional<Location> location;
    return location;
}

// The executable's full path. While the file is being replaced (an upgrade just as the
// program starts) the system cannot name it; the path it was started by still does.
QFileInfo executable() {
    const QString path = QCoreApplication::applicationFilePath();
    if (!path.isEmpty() || QCoreApplication::arguments().isEmpty())
        return QFileInfo(path);
    return QFileInfo(QCoreApplication::arguments().constFirst());
}

} // namespace

namespace App {

// The icon is compiled in as an XPM image, which Qt reads by itself; for a PNG it would first
// look through its image plugins, a millisecond of the start.
QIcon Icon() {
    return QIcon(QPixmap(wingscribe_32));
}

// Paths are in the 8-bit form the system's file functions take.
std::string Path() {
    if (testLocation())
        return testLocation()->path;
    return QFile::encodeName(QDir::toNativeSeparators(executable().absolutePath())).toStdString();
}

char PathSeparator() {
    return QDir::separator().toLatin1();
}

std::string EXEName() {
    if (testLocation())
        return testLocation()->exeName;
    return QFile::encodeName(executable().completeBaseName()).toStdString();
}

void SetLocationForTesting(const std::string& path, const std::string& exeName) {
    testLocation() = Location{path, exeName};
    ReleaseInstance();
}

} // namespace App
