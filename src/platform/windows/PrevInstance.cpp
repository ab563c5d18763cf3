// SPDX-License-Identifier: GPL-3.0-or-later
// The previous-instance test on Windows: a lock file in the user's own local application
// data folder, held open with no sharing. The system closes it when the process ends,
// however it ends, and the next start opens it again; a second copy finds it in use.
//
// The file is opened to be deleted on close, so the system removes it with the last handle,
// a crash included: the folder holds the locks of running copies only. What a power cut
// leaves behind is swept at the next start; the lock of a running copy cannot be deleted.
//
// Not a named mutex: the "Local\" namespace is per logon session, not per user (a scheduled
// task or a second session of the same user would run a second copy on the same settings
// file), and any program in the session may create a name there first and so keep the
// program from starting. The user's own folder has neither problem.
#include "platform/App.h"

#include "platform/VbError.h"

#include <QCryptographicHash>
#include <QString>

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace {

HANDLE heldLock = INVALID_HANDLE_VALUE;

std::string& folderForTesting() {
    static std::string folder;
    return folder;
}

std::string utf8(const std::wstring& text) {
    return QString::fromStdWString(text).toStdString();
}

std::string systemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length ? std::wstring(text, length) : L"error " + std::to_wstring(error);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r'))
        message.pop_back();
    return utf8(message);
}

[[noreturn]] void cannotLock(const std::wstring& path, DWORD error) {
    throw VbError(VbError::PathFileAccess,
                  "Cannot make the lock " + utf8(path) + ": " + systemMessage(error));
}

// %LOCALAPPDATA%\Wingscribe, as the shell knows it (not from the environment variable).
std::wstring lockFolder() {
    if (!folderForTesting().empty())
        return QString::fromStdString(folderForTesting()).toStdWString();
    PWSTR known = nullptr;
    const HRESULT result =
        ::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &known);
    const std::wstring folder =
        SUCCEEDED(result) ? std::wstring(known) + L"\\Wingscribe" : std::wstring();
    ::CoTaskMemFree(known);
    if (folder.empty())
        cannotLock(L"%LOCALAPPDATA%\\Wingscribe", DWORD(result));
    return folder;
}

// Paths on Windows are the same whatever their letter case.
std::wstring lockPath() {
    const QByteArray key = QByteArray::fromStdString(App::Path() + "\\" + App::EXEName()).toLower();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
    return lockFolder() + L"\\instance-" + QString::fromLatin1(hash.left(16)).toStdWString() +
           L".lock";
}

// Every lock file in the folder that can be deleted belongs to no running copy.
void sweepStaleLocks(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((folder + L"\\instance-*.lock").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        ::DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

// Opens the lock file, to be deleted with its last handle. A copy that has just ended may leave
// its file pending deletion for a moment, and opening it then is denied: that is retried
// before the denial counts.
HANDLE openLock(const std::wstring& path) {
    for (int attempt = 1;; ++attempt) {
        HANDLE lock =
            ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (lock != INVALID_HANDLE_VALUE || ::GetLastError() != ERROR_ACCESS_DENIED ||
            attempt == 20)
            return lock;
        ::Sleep(10);
    }
}

} // namespace

namespace App {

std::string InstanceLockPath() {
    return utf8(lockPath());
}

bool PrevInstance() {
    if (heldLock != INVALID_HANDLE_VALUE)
        return false;
    const std::wstring path = lockPath();
    const std::wstring folder = path.substr(0, path.rfind(L'\\'));
    if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
        cannotLock(folder, ::GetLastError());
    sweepStaleLocks(folder);
    HANDLE lock = openLock(path);
    if (lock == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return true;
        cannotLock(path, error);
    }
    heldLock = lock;
    return false;
}

void ReleaseInstance() {
    if (heldLock == INVALID_HANDLE_VALUE)
        return;
    ::CloseHandle(heldLock); // and the system deletes the file
    heldLock = INVALID_HANDLE_VALUE;
}

void SetInstanceLockFolderForTesting(const std::string& folder) {
    ReleaseInstance();
    folderForTesting() = folder;
}

} // namespace App
