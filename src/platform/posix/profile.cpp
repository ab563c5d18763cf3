// SPDX-License-Identifier: GPL-3.0-or-later
// The profile functions over plain files, for systems without kernel32. The text is read and
// changed as IniText describes; the file is changed as IniFile and FileReplace describe.
#include "platform/profile.h"

#include "platform/AsciiText.h"
#include "platform/VbError.h"
#include "platform/posix/FileReplace.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/IniText.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>
#include <sys/stat.h>

namespace {

unsigned long copyOut(std::string_view value, char* out, unsigned long size) {
    if (!out || size == 0)
        return 0;
    const std::size_t count = std::min<std::size_t>(value.size(), size - 1);
    std::memcpy(out, value.data(), count);
    out[count] = '\0';
    return static_cast<unsigned long>(count);
}

} // namespace

namespace Kernel32 {

unsigned long GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* returnedString,
                                       unsigned long size, const char* fileName) {
    const std::string_view fallback =
        AsciiText::TrimTrailingBlanks(defaultValue ? defaultValue : "");
    FileReplace::Snapshot file;
    if (!section || !key || !fileName || !file.Read(fileName))
        return copyOut(fallback, returnedString, size);
    return copyOut(IniText::Find(file.Content(), section, key).value_or(fallback), returnedString,
                   size);
}

int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* fileName) {
    if (!section || !fileName)
        return 0;
    return IniFile::Update(fileName, [&](std::string_view text) {
        if (!key)
            return IniText::RemoveSection(text, section);
        if (!value)
            return IniText::RemoveKey(text, section, key);
        return IniText::Set(text, section, key, value);
    });
}

long FileLen(const char* fileName) {
    struct stat status;
    if (!fileName || ::stat(fileName, &status) != 0 || !S_ISREG(status.st_mode))
        throw VbError(VbError::FileNotFound, "File not found");
    return static_cast<long>(status.st_size);
}

void WriteWholeFile(const char* fileName, const std::string& content) {
    const std::string path = fileName ? fileName : "";
    if (!FileReplace::WriteWhole(path, content))
        throw VbError(VbError::PathFileAccess,
                      "Cannot create " + path + ": " + std::strerror(errno));
}

} // namespace Kernel32
