// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/FileReplace.h"

#include "platform/posix/InPlaceSave.h"

#include <cerrno>
#include <cstdio> // rename, and renameat2 where the C library has it
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <string_view>
#include <sys/file.h>
#include <time.h>
#include <unistd.h>
#include <utility>

namespace {

using FileReplace::Fd;
using FileReplace::Result;
using FileReplace::Snapshot;

Result fail(int error) {
    errno = error;
    return Result::Failed;
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool writeAll(int fd, std::string_view bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return {".", path};
    return {slash == 0 ? "/" : path.substr(0, slash), path.substr(slash + 1)};
}

std::string tempPrefix(const std::string& dir, const std::string& base) {
    return (dir == "/" ? "" : dir) + "/." + base + ".saving-";
}
constexpr std::size_t kTempSuffix = 6;

// A temporary file of our own beside the target, locked for as long as we hold it open, so
// that a later cleanup can tell it from one whose writer died.
bool createTemp(const std::string& dir, const std::string& base, Fd& fd, std::string& path) {
    static std::mt19937 random{std::random_device{}()};
    static constexpr std::string_view letters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = tempPrefix(dir, base);
        for (std::size_t i = 0; i < kTempSuffix; ++i)
            path += letters[random() % letters.size()];
        fd = Fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666));
        if (fd) {
            ::flock(fd.get(), LOCK_EX | LOCK_NB);
            return true;
        }
        if (errno != EEXIST)
            return false;
    }
    return false;
}

// Removes the temporary files of writers that died before they finished: nobody holds their
// lock any more.
void removeLeftovers(const std::string& dir, const std::string& base) {
    DIR* folder = ::opendir(dir.c_str());
    if (!folder)
        return;
    const std::string prefix = "." + base + ".saving-";
    while (const dirent* entry = ::readdir(folder)) {
        const std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + kTempSuffix || name.compare(0, prefix.size(), prefix))
            continue;
        const Fd fd(::openat(::dirfd(folder), entry->d_name,
                             O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        struct stat opened, named;
        if (fd && ::flock(fd.get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(fd.get(), &opened) == 0 &&
            ::fstatat(::dirfd(folder), entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(opened, named))
            ::unlinkat(::dirfd(folder), entry->d_name, 0);
    }
    ::closedir(folder);
}

// Gives the new file the owner, group and mode of the one it replaces.
bool keepAttributes(int fd, const Snapshot& before) {
    if (!before.Exists())
        return true; // a new file: its mode follows the umask
    const struct stat& old = before.Status();
    struct stat mine;
    if (::fstat(fd, &mine) != 0)
        return false;
    if ((mine.st_uid != old.st_uid || mine.st_gid != old.st_gid) &&
        ::fchown(fd, old.st_uid, old.st_gid) != 0)
        return false;
    return ::fchmod(fd, old.st_mode & 07777) == 0;
}

// Whether we may change the file: what the system lets us write, and never a file without any
// write permission, which counts as read-only even for the administrator.
bool writable(const std::string& path, const struct stat& status) {
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0)
        return false;
    errno = EACCES;
    return (status.st_mode & 0222) != 0;
}

// Opens `before`'s file for a change in place, and holds it for this process alone (waiting a
// second at most for another writer). Changed when the file is no longer what `before` read.
Result openInPlace(const std::string& path, const Snapshot& before, Fd& fd) {
    fd = Fd(::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat now;
    if (!fd || ::fstat(fd.get(), &now) != 0)
        return Result::Failed;
    const timespec pause{0, 10 * 1000 * 1000};
    for (int waits = 0; ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0; ++waits) {
        if (errno != EWOULDBLOCK || waits == 100)
            return Result::Failed;
        ::nanosleep(&pause, nullptr);
    }
    if (!sameFile(now, before.Status()) || !before.StillAt(path))
        return Result::Changed;
    return Result::Done;
}

// Changes the file where it is, by steps that each leave it readable as before or as after.
Result writeInPlace(const std::string& path, const Snapshot& before, const std::string& content,
                    struct stat* written) {
    Fd fd;
    if (const Result opened = openInPlace(path, before, fd); opened != Result::Done)
        return opened;
    const std::optional<InPlaceSave::Steps> steps = InPlaceSave::Plan(before.Content(), content);
    if (!steps)
        return fail(ENOTSUP);
    if (!InPlaceSave::Run(fd.get(), *steps)) {
        const int error = errno; // back to what was there, as far as it goes
        Snapshot now;
        if (now.Read(path))
            (void)InPlaceSave::Run(fd.get(), InPlaceSave::Recovery(now.Content()));
        return fail(error);
    }
    if (written)
        ::fstat(fd.get(), written);
    return Result::Done;
}

bool renameNoReplace(const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
#endif
    return ::rename(from, to) == 0;
}

// Swaps the finished temporary file in for `before`. Where the two names can be exchanged
// in one step, the file that comes out must still be `before`: one saved by someone else in
// the instant since the last check goes back in place, and the caller redoes its change.
Result swapIn(const std::string& temp, int tempFd, const std::string& path,
              const Snapshot& before) {
#ifdef RENAME_EXCHANGE
    ::flock(before.Descriptor(), LOCK_EX | LOCK_NB); // no cleanup takes it while it is out
    if (::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
        if (before.StillAt(temp)) {
            ::unlink(temp.c_str());
            return Result::Done;
        }
        ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE);
        struct stat mine, there;
        if (::fstat(tempFd, &mine) == 0 && ::lstat(temp.c_str(), &there) == 0 &&
            sameFile(mine, there))
            ::unlink(temp.c_str());
        else // a newer file came in between the two exchanges: it is the one to keep
            ::rename(temp.c_str(), path.c_str());
        return Result::Changed;
    }
    if (errno == ENOENT) { // the file went away meanwhile
        ::unlink(temp.c_str());
        return Result::Changed;
    }
    if (errno != EINVAL && errno != ENOSYS)
        return Result::Failed;
#else
    (void)tempFd;
    (void)before;
#endif
    return ::rename(temp.c_str(), path.c_str()) == 0 ? Result::Done : Result::Failed;
}

void syncFolder(const std::string& dir) {
    const Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd)
        ::fsync(fd.get());
}

} // namespace

namespace FileReplace {

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        Fd old(fd_);
        fd_ = other.release();
    }
    return *this;
}

Fd::~Fd() {
    if (fd_ >= 0) {
        const int error = errno;
        ::close(fd_);
        errno = error;
    }
}

int Fd::release() {
    return std::exchange(fd_, -1);
}

std::optional<std::string> Resolve(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat link, folder;
        if (::lstat(current.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
            return current;
        const auto [dir, base] = splitPath(current);
        if (link.st_uid != ::geteuid() && ::stat(dir.c_str(), &folder) == 0 &&
            (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH) &&
            folder.st_uid != link.st_uid) {
            errno = EACCES; // planted in a folder open to all: the system would not follow it
            return std::nullopt;
        }
        std::string target(std::size_t(link.st_size) + 256, '\0');
        const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
        if (length <= 0 || std::size_t(length) >= target.size())
            return current;
        target.resize(std::size_t(length));
        const std::size_t slash = current.rfind('/');
        if (target.front() != '/' && slash != std::string::npos)
            target = current.substr(0, slash + 1) + target;
        current = std::move(target);
    }
    return current;
}

bool Snapshot::Read(const std::string& path) {
    exists_ = false;
    content_.clear();
    fd_ = Fd();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd)
        return errno == ENOENT;
    if (::fstat(fd.get(), &status_) != 0)
        return false;
    if (!S_ISREG(status_.st_mode)) {
        errno = S_ISDIR(status_.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    content_.reserve(std::size_t(status_.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        content_.append(buffer, std::size_t(n));
    }
    exists_ = true;
    fd_ = std::move(fd);
    return true;
}

bool Snapshot::SameAs(const Snapshot& other) const {
    return exists_ == other.exists_ &&
           (!exists_ || (sameFile(status_, other.status_) && content_ == other.content_));
}

bool Snapshot::StillAt(const std::string& path) const {
    Snapshot now;
    return now.Read(path) && SameAs(now);
}

Result Commit(const std::string& path, const Snapshot& before, const std::string& content,
              const std::function<void()>& beforeSwap, struct stat* written) {
    const auto [dir, base] = splitPath(path);
    removeLeftovers(dir, base);
    if (before.Exists() && !writable(path, before.Status()))
        return Result::Failed;
    if (before.Exists() && before.Status().st_nlink > 1)
        return writeInPlace(path, before, content, written); // keeps its other names

    Fd temp;
    std::string tempPath;
    if (!createTemp(dir, base, temp, tempPath))
        return before.Exists() ? writeInPlace(path, before, content, written) : fail(errno);
    const auto discard = [&tempPath](int error) {
        ::unlink(tempPath.c_str());
        errno = error;
    };
    if (!writeAll(temp.get(), content) || ::fsync(temp.get()) != 0) {
        const int error = errno;
        discard(error);
        if (before.Exists() && (error == ENOSPC || error == EDQUOT))
            return writeInPlace(path, before, content, written);
        return fail(error);
    }
    if (!keepAttributes(temp.get(), before)) {
        discard(errno);
        return writeInPlace(path, before, content, written);
    }
    if (!before.StillAt(path)) {
        discard(errno);
        return Result::Changed;
    }
    if (beforeSwap)
        beforeSwap();

    if (!before.Exists()) {
        if (!renameNoReplace(tempPath.c_str(), path.c_str())) {
            const int error = errno;
            discard(error);
            return error == EEXIST ? Result::Changed : Result::Failed;
        }
    } else if (const Result swapped = swapIn(tempPath, temp.get(), path, before);
               swapped != Result::Done) {
        if (swapped == Result::Failed)
            discard(errno);
        return swapped;
    }
    if (written)
        ::fstat(temp.get(), written);
    syncFolder(dir);
    return Result::Done;
}

Result Heal(const std::string& path, const Snapshot& before) {
    const InPlaceSave::Steps steps = InPlaceSave::Recovery(before.Content());
    if (steps.empty())
        return Result::Done;
    Fd fd;
    if (!writable(path, before.Status()))
        return Result::Failed;
    if (const Result opened = openInPlace(path, before, fd); opened != Result::Done)
        return opened;
    return InPlaceSave::Run(fd.get(), steps) ? Result::Done : Result::Failed;
}

void Tidy(const std::string& path) {
    const std::optional<std::string> target = Resolve(path);
    if (!target)
        return;
    const auto [dir, base] = splitPath(*target);
    removeLeftovers(dir, base);
    for (int attempt = 0; attempt < 10; ++attempt) {
        Snapshot now;
        if (!now.Read(*target) || InPlaceSave::Recovery(now.Content()).empty() ||
            Heal(*target, now) == Result::Failed)
            return; // healed (each healing may bare one more that lay beneath), or cannot be
    }
}

bool WriteWhole(const std::string& path, const std::string& content) {
    const std::optional<std::string> target = Resolve(path);
    if (!target)
        return false;
    for (int attempt = 0; attempt < 10; ++attempt) {
        Snapshot before;
        if (!before.Read(*target))
            return false;
        const Result result = Commit(*target, before, content, {}, nullptr);
        if (result != Result::Changed)
            return result == Result::Done;
    }
    errno = EBUSY;
    return false;
}

} // namespace FileReplace
