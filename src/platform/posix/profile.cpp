// SPDX-License-Identifier: GPL-3.0-or-later
// The profile functions over plain files, for systems without kernel32. The text is read and
// changed as IniText describes; the file is changed as IniFile and FileReplace describe.
#include "platform/profile.h"

#include "platform/AsciiText.h"
#include "platform/Text8.h"
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

// A file that starts with the UTF-8 byte-order mark holds UTF-8 text, which the program's
// 8-bit text is converted to and from (a character the code page lacks reads as "?").
std::string toFile(std::string_view text, bool utf8) {
    if (!utf8)
        return std::string(text);
    return toQt(std::string(text)).toUtf8().toStdString();
}

std::string fromFile(std::string_view text, bool utf8) {
    if (!utf8)
        return std::string(text);
    return fromQt(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

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
    const bool utf8 = IniText::HasUtf8Mark(file.Content());
    const auto found = IniText::Find(file.Content(), toFile(section, utf8), toFile(key, utf8));
    return copyOut(found ? fromFile(*found, utf8) : std::string(fallback), returnedString, size);
}

int WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                               const char* fileName) {
    if (!section || !fileName)
        return 0;
    return IniFile::Update(fileName, [&](std::string_view text) {
        const bool utf8 = IniText::HasUtf8Mark(text);
        const std::string inSection = toFile(section, utf8);
        if (!key)
            return IniText::RemoveSection(text, inSection);
        if (!value)
            return IniText::RemoveKey(text, inSection, toFile(key, utf8));
        return IniText::Set(text, inSection, toFile(key, utf8), toFile(value, utf8));
    });
}

long FileLen(const char* fileName) {
    struct stat status;
    if (!fileName || ::stat(fileName, &status) != 0 || !S_ISREG(status.st_mode))
        throw VbError(VbError::FileNotFound, "File not found");
    return static_cast<long>(status.st_size);
}

void FinishInterruptedWrites(const char* fileName) {
    if (fileName)
        FileReplace::Tidy(fileName);
}

void WriteWholeFile(const char* fileName, const std::string& content) {
    const std::string path = fileName ? fileName : "";
    if (!FileReplace::WriteWhole(path, content))
        throw VbError(VbError::PathFileAccess,
                      "Cannot create " + path + ": " + std::strerror(errno));
}

} // namespace Kernel32
