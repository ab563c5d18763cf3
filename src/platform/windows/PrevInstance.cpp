// SPDX-License-Identifier: GPL-3.0-or-later
// The previous-instance test on Windows: a lock file in the user's own local application
// data folder, held open with no sharing. The system closes it when the process ends,
// however it ends, and the next start opens it again; a second copy finds it in use.
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
std::wstring heldPath;

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
    HANDLE lock = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return true;
        cannotLock(path, error);
    }
    heldLock = lock;
    heldPath = path;
    return false;
}

void ReleaseInstance() {
    if (heldLock == INVALID_HANDLE_VALUE)
        return;
    ::CloseHandle(heldLock);
    heldLock = INVALID_HANDLE_VALUE;
    ::DeleteFileW(heldPath.c_str()); // fails, harmlessly, once another copy holds it open
}

void SetInstanceLockFolderForTesting(const std::string& folder) {
    ReleaseInstance();
    folderForTesting() = folder;
}

} // namespace App
