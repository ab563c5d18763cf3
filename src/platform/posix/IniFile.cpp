// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/posix/IniFile.h"

#include "platform/posix/FileReplace.h"
#include "platform/posix/InPlaceSave.h"
#include "platform/posix/IniText.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <utility>
#include <vector>

namespace {

using FileReplace::Snapshot;

constexpr int kAttempts = 50; // redone changes before a write gives up
constexpr int kWaits = 50;    // looks at a file that lost keys, ...
constexpr long kWaitMs = 20;  // ... this far apart

std::function<void(IniFile::Moment)>& raceHook() {
    static std::function<void(IniFile::Moment)> hook;
    return hook;
}

void at(IniFile::Moment moment) {
    if (raceHook())
        raceHook()(moment);
}

// The file as this process last read or wrote it, and the keys it held.
struct Known {
    std::string path;
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<std::string> keys;
};

Known& known() {
    static Known file;
    return file;
}

void remember(const std::string& path, const struct stat& status, std::string_view content) {
    known() = {path, status.st_dev, status.st_ino, IniText::KeyNames(content)};
}

bool lostKeys(const std::string& path, const Snapshot& now) {
    const Known& last = known();
    if (!now.Exists() || last.path != path || last.device != now.Status().st_dev ||
        last.inode != now.Status().st_ino)
        return false;
    const std::vector<std::string> keys = IniText::KeyNames(now.Content());
    return !std::includes(keys.begin(), keys.end(), last.keys.begin(), last.keys.end());
}

// Reads the file; one that lost keys is read again until it holds still.
bool readSettled(const std::string& path, Snapshot& snapshot) {
    if (!snapshot.Read(path))
        return false;
    for (int waits = 0; lostKeys(path, snapshot); ++waits) {
        if (waits == kWaits) {
            errno = EBUSY;
            return false;
        }
        const timespec pause{0, kWaitMs * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
        at(IniFile::Moment::WhileWaiting);
        Snapshot again;
        if (!again.Read(path))
            return false;
        const bool still = again.SameAs(snapshot);
        snapshot = std::move(again);
        if (still)
            break; // keys removed on purpose, or by an editor that died: that is the file now
    }
    return true;
}

} // namespace

namespace IniFile {

bool Update(const std::string& givenPath,
            const std::function<std::string(std::string_view)>& change) {
    const std::optional<std::string> resolved = FileReplace::Resolve(givenPath);
    if (!resolved)
        return false;
    const std::string& path = *resolved;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        Snapshot before;
        if (!readSettled(path, before))
            return false;
        // A change in place that a killed writer left unfinished is put right first.
        if (!InPlaceSave::Recovery(before.Content()).empty()) {
            if (FileReplace::Heal(path, before) == FileReplace::Result::Failed)
                return false;
            continue;
        }
        at(Moment::AfterRead);
        const std::string content = change(before.Content());
        if (content == before.Content()) {
            if (before.Exists())
                remember(path, before.Status(), content);
            return true;
        }
        struct stat written {};
        switch (FileReplace::Commit(
            path, before, content, [] { at(Moment::BeforeSwap); }, &written)) {
        case FileReplace::Result::Done:
            remember(path, written, content);
            return true;
        case FileReplace::Result::Failed:
            return false;
        case FileReplace::Result::Changed:
            break;
        }
    }
    errno = EBUSY;
    return false;
}

void SetRaceHookForTesting(std::function<void(Moment)> hook) {
    raceHook() = std::move(hook);
}

} // namespace IniFile
