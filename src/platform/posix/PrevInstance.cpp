// The previous-instance test on systems without named mutexes: a lock file per executable.
#include "platform/App.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <memory>

namespace {

std::unique_ptr<QLockFile>& heldLock() {
    static std::unique_ptr<QLockFile> lock;
    return lock;
}

} // namespace

namespace App {

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

void ReleaseInstance() {
    heldLock().reset();
}

} // namespace App
