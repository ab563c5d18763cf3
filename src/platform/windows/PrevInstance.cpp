// The previous-instance test on Windows: a named mutex per executable path in the user's
// session. The system drops it when the process ends, however it ends.
#include "platform/App.h"

#include <QCryptographicHash>
#include <QString>

#include <windows.h>

namespace {

HANDLE heldMutex = nullptr;

} // namespace

namespace App {

// Paths on Windows are the same whatever their letter case.
std::string InstanceLockPath() {
    const QByteArray key = QByteArray::fromStdString(Path() + "\\" + EXEName()).toLower();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex();
    return "Local\\Wingscribe-" + hash.left(32).toStdString();
}

bool PrevInstance() {
    if (heldMutex)
        return false;
    const std::wstring name = QString::fromStdString(InstanceLockPath()).toStdWString();
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex)
        return ::GetLastError() == ERROR_ACCESS_DENIED; // held by a copy we may not open
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(mutex);
        return true;
    }
    heldMutex = mutex;
    return false;
}

void ReleaseInstance() {
    if (heldMutex)
        ::CloseHandle(heldMutex);
    heldMutex = nullptr;
}

} // namespace App
