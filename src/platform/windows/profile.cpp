// On Windows the settings file is read and written by the system's own profile functions.
#include "platform/profile.h"

#include "platform/AsciiText.h"
#include "platform/VbError.h"

#include <string>

#include <windows.h>

namespace Kernel32 {

// The system drops the trailing blanks of a default it returns, but not every version drops
// all of them (a default of one blank, or one ending in a tab, can come back unchanged).
// Handing the default over already trimmed gives the same answer everywhere.
unsigned long GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* returnedString,
                                       unsigned long size, const char* fileName) {
    std::string fallback = defaultValue ? defaultValue : "";
    while (!fallback.empty() && AsciiText::IsBlank(fallback.back()))
        fallback.pop_back();
    return ::GetPrivateProfileStringA(section, key, fallback.c_str(), returnedString, size,
                                      fileName);
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
