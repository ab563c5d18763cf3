// SPDX-License-Identifier: GPL-3.0-or-later
// The previous-instance test: an advisory lock on one byte of a file in a folder of the
// user's own, the byte chosen by the executable's path. The system drops the lock when the
// process ends, however it ends, and the file itself means nothing: it stays empty, and
// whatever a dead copy left in it blocks nobody. Folder and file must be the user's alone, so
// that nobody else can hold the lock.
#include "platform/App.h"

#include "platform/VbError.h"

#include <QCryptographicHash>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int heldLock = -1;

std::string& folderForTesting() {
    static std::string folder;
    return folder;
}

[[noreturn]] void cannotLock(const std::string& path, const std::string& reason) {
    throw VbError(VbError::PathFileAccess, "Cannot make the lock " + path + ": " + reason);
}

// The home folder as the user database has it: the same in a desktop session, under cron,
// su or ssh, whatever HOME and the XDG variables say there.
std::string homeFolder() {
    const long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? std::size_t(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found ||
        !found->pw_dir || !*found->pw_dir)
        return {};
    return found->pw_dir;
}

std::string lockFolder() {
    if (!folderForTesting().empty())
        return folderForTesting();
    const std::string home = homeFolder();
    if (home.empty())
        cannotLock("~/.cache/wingscribe", "the user database names no home folder");
    return (home == "/" ? "" : home) + "/.cache/wingscribe";
}

// Makes the lock folder when it is missing. It must be ours, and nobody else may write to it.
void makeFolder(const std::string& folder) {
    const std::size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0)
        ::mkdir(folder.substr(0, slash).c_str(), 0700); // ~/.cache; fine when it is there
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        cannotLock(folder, std::strerror(errno));
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        cannotLock(folder, std::strerror(errno));
    struct stat status;
    std::string problem;
    if (::fstat(fd, &status) != 0)
        problem = std::strerror(errno);
    else if (status.st_uid != ::getuid())
        problem = "the folder belongs to another user";
    else if ((status.st_mode & 077) && ::fchmod(fd, 0700) != 0)
        problem = std::strerror(errno);
    ::close(fd);
    if (!problem.empty())
        cannotLock(folder, problem);
}

// Whether the lock file is ours alone: a file that someone else could hold locked is not.
bool ownLockFile(const struct stat& status) {
    return S_ISREG(status.st_mode) && status.st_uid == ::getuid() && !(status.st_mode & 077) &&
           status.st_nlink == 1;
}

// Puts a new, empty lock file of our own in the place of one that is not ours alone (planted
// while the folder was open to others). Runs under a lock on the folder, and only while the
// file is still not ours, so that two starts never replace each other's lock file.
void replaceLockFile(const std::string& folder, const std::string& path) {
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir < 0)
        cannotLock(folder, std::strerror(errno));
    struct stat status;
    std::string fresh = path + ".XXXXXX", problem;
    if (::flock(dir, LOCK_EX) == 0 && ::lstat(path.c_str(), &status) == 0 && !ownLockFile(status)) {
        const int fd = ::mkstemp(fresh.data());
        if (fd < 0 || ::rename(fresh.c_str(), path.c_str()) != 0) {
            problem = std::strerror(errno);
            ::unlink(fresh.c_str());
        }
        if (fd >= 0)
            ::close(fd);
    }
    ::close(dir);
    if (!problem.empty())
        cannotLock(path, "it is not yours and cannot be replaced: " + problem);
}

// Opens the lock file, made when missing, replaced when not ours alone.
int openLockFile(const std::string& folder, const std::string& path) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
        const int error = errno;
        struct stat status;
        if (fd >= 0 && ::fstat(fd, &status) == 0 && ownLockFile(status))
            return fd;
        if (fd >= 0)
            ::close(fd);
        else if (::lstat(path.c_str(), &status) != 0 || ownLockFile(status))
            cannotLock(path, std::strerror(error)); // the folder itself refuses
        replaceLockFile(folder, path);
    }
    cannotLock(path, "another program keeps putting a file of its own there");
}

// The byte that stands for this executable: 48 bits of a hash of its path.
off_t lockByte() {
    const QByteArray key = QByteArray::fromStdString(App::Path() + "/" + App::EXEName());
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1);
    off_t byte = 0;
    for (int i = 0; i < 6; ++i)
        byte = byte << 8 | off_t(static_cast<unsigned char>(hash[i]));
    return byte;
}

} // namespace

namespace App {

std::string InstanceLockPath() {
    return lockFolder() + "/instances.lock";
}

bool PrevInstance() {
    if (heldLock >= 0)
        return false;
    const std::string path = InstanceLockPath();
    makeFolder(lockFolder());
    const int fd = openLockFile(lockFolder(), path);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_start = lockByte();
    range.l_len = 1;
#ifdef F_OFD_SETLK
    const int command = F_OFD_SETLK; // held by the open file, not by the process
#else
    const int command = F_SETLK;
#endif
    if (::fcntl(fd, command, &range) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EAGAIN || error == EACCES)
            return true;
        cannotLock(path, std::strerror(error));
    }
    heldLock = fd;
    return false;
}

void ReleaseInstance() {
    if (heldLock >= 0)
        ::close(heldLock);
    heldLock = -1;
}

void SetInstanceLockFolderForTesting(const std::string& folder) {
    ReleaseInstance();
    folderForTesting() = folder;
}

} // namespace App
