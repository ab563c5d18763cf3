// On Windows the settings file is read and written by the system's own profile functions.
#include "platform/profile.h"

#include "platform/VbError.h"

#include <windows.h>

namespace Kernel32 {

unsigned long GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* returnedString,
                                       unsigned long size, const char* fileName) {
    return ::GetPrivateProfileStringA(section, key, defaultValue, returnedString, size, fileName);
}

int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* fileName) {
    return ::WritePrivateProfileStringA(section, key, value, fileName);
}

long FileLen(const char* fileName) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!fileName || !::GetFileAttributesExA(fileName, GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        throw VbError(VbError::FileNotFound, "File not found");
    return static_cast<long>(data.nFileSizeLow);
}

} // namespace Kernel32
