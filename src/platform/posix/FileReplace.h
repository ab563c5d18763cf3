// SPDX-License-Identifier: GPL-3.0-or-later
// Replacing a small file whole, as safely as the file system lets us, for a file that people
// may edit by hand while the program writes it.
//
// A replacement is written to a temporary file beside the target (".<name>.saving-XXXXXX"),
// flushed to the disk, given the target's owner, group and mode, and swapped in with one
// rename, so that a crash never leaves a half-written file. Just before the swap the target
// is checked against what was read; when it has changed the caller redoes its change on the
// new content. Where the swap itself can exchange the two names, the file it displaced is
// checked once more, so that an edit saved in the last instant is not lost either.
//
// When no temporary file can be made there (a read-only folder with a writable file, a full
// disk), when the owner or group cannot be kept, or when the file has other hard links, the
// file is changed in place instead, by steps that a kill cannot leave half-done (InPlaceSave).
//
// A file without write permission is never changed, as on systems with a read-only flag.
// Temporary files that a killed writer left behind, and a change in place that it left
// unfinished, are put right by the next change and by Tidy.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <optional>
#include <string>

namespace FileReplace {

// A file descriptor that closes itself.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    Fd(Fd&& other) noexcept : fd_(other.release()) {}
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd();

    int get() const { return fd_; }
    int release();
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The path after following symbolic links to their end, a dangling one too: writing there
// keeps a symlinked file a symlink. A link is followed only where the system would follow it:
// in a folder that is sticky and open to all (like /tmp), only a link of our own or of the
// folder's owner. Nothing, with errno set, for one that is not followed.
std::optional<std::string> Resolve(const std::string& path);

// What a path held at one moment: the file (kept open) and its bytes, or nothing.
class Snapshot {
public:
    // Reads the file at `path`; a missing file is an empty snapshot. Returns false, with
    // errno set, when something is there that cannot be read as a regular file.
    bool Read(const std::string& path);

    bool Exists() const { return exists_; }
    const std::string& Content() const { return content_; }
    const struct stat& Status() const { return status_; }
    int Descriptor() const { return fd_.get(); }
    // Both hold nothing, or the same file with the same bytes.
    bool SameAs(const Snapshot& other) const;
    // `path` holds exactly this now.
    bool StillAt(const std::string& path) const;

private:
    bool exists_ = false;
    std::string content_;
    struct stat status_ {};
    Fd fd_;
};

enum class Result {
    Done,    // the file holds the new content
    Changed, // the file changed since `before` was read; nothing was written
    Failed,  // nothing was written; errno tells why
};

// Puts `content` at `path` (already resolved) in the place of `before`, read from there.
// `beforeSwap` runs between the last check and the swap (for tests; may be empty). On Done,
// `written` describes the file that now holds the content.
Result Commit(const std::string& path, const Snapshot& before, const std::string& content,
              const std::function<void()>& beforeSwap, struct stat* written);

// Finishes or undoes, in place, a change in place that a killed writer left unfinished in
// `before`, read from `path` (already resolved); Done also when there is none.
Result Heal(const std::string& path, const Snapshot& before);

// Puts right what killed writers left at `path`: its unfinished change, their temporary files.
void Tidy(const std::string& path);

// Writes `content` as the whole file at `path`, creating it or replacing what is there. On
// failure nothing of the new content is left behind; returns false with errno set.
bool WriteWhole(const std::string& path, const std::string& content);

} // namespace FileReplace
