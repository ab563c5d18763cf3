#include "platform/App.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <memory>
#include <optional>

namespace {

struct Location {
    std::string path;
    std::string exeName;
};

std::optional<Location>& testLocation() {
    static std::optional<Location> location;
    return location;
}

std::unique_ptr<QLockFile>& heldLock() {
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

} // namespace

namespace App {

std::string Path() {
    if (testLocation())
        return testLocation()->path;
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()).toStdString();
}

std::string EXEName() {
    if (testLocation())
        return testLocation()->exeName;
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

void SetLocationForTesting(const std::string& path, const std::string& exeName) {
    testLocation() = Location{path, exeName};
    heldLock().reset();
}

std::string InstanceLockPath() {
    const QByteArray key = QByteArray::fromStdString(Path() + "/" + EXEName());
    const QString hash =
        QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex(), 16);
    // The session's runtime folder when there is one (asking Qt for it otherwise warns).
    QString dir = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (dir.isEmpty() || !QFileInfo(dir).isWritable())
        dir = QDir::tempPath();
    return (dir + "/wingscribe-" + hash + ".lock").toStdString();
}

bool PrevInstance() {
    if (heldLock())
        return false;
    auto lock = std::make_unique<QLockFile>(QString::fromStdString(InstanceLockPath()));
    lock->setStaleLockTime(0); // only a dead owner makes a lock stale, never its age
    if (!lock->tryLock(0))
        return lock->error() == QLockFile::LockFailedError;
    heldLock() = std::move(lock);
    return false;
}

} // namespace App
