// SPDX-License-Identifier: GPL-3.0-or-later
// On Windows the settings file is read and written by the system's own profile functions.
#include "platform/profile.h"

#include "platform/AsciiText.h"
#include "platform/VbError.h"

#include <string>

#include <windows.h>

#include <algorithm>
#include <string>

namespace {

// The system's text for an error number, without its line end.
std::string systemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length ? std::string(text, length) : "error " + std::to_string(error);
    ::LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
        message.pop_back();
    return message;
}

} // namespace

namespace Kernel32 {

// The system's documentation advises against a default with trailing blanks, which the
// callers here rely on being dropped (an empty default is passed as one blank): the default
// is handed over already trimmed.
unsigned long GetPrivateProfileStringA(const char* section, const char* key,
                                       const char* defaultValue, char* returnedString,
                                       unsigned long size, const char* fileName) {
    const std::string fallback(AsciiText::TrimTrailingBlanks(defaultValue ? defaultValue : ""));
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

// The system's profile functions leave nothing half-done behind.
void FinishInterruptedWrites(const char*) {}

void WriteWholeFile(const char* fileName, const std::string& content) {
    HANDLE file = ::CreateFileA(fileName, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD error = file == INVALID_HANDLE_VALUE ? ::GetLastError() : ERROR_SUCCESS;
    for (std::size_t done = 0; error == ERROR_SUCCESS && done < content.size();) {
        DWORD written = 0;
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(content.size() - done, 1u << 20));
        if (!::WriteFile(file, content.data() + done, chunk, &written, nullptr) || written == 0)
            error = ::GetLastError() ? ::GetLastError() : ERROR_WRITE_FAULT;
        done += written;
    }
    if (error == ERROR_SUCCESS && !::FlushFileBuffers(file))
        error = ::GetLastError();
    if (file != INVALID_HANDLE_VALUE && !::CloseHandle(file) && error == ERROR_SUCCESS)
        error = ::GetLastError();
    if (error == ERROR_SUCCESS)
        return;
    if (file != INVALID_HANDLE_VALUE)
        ::DeleteFileA(fileName); // never a half-written settings file
    throw VbError(VbError::PathFileAccess,
                  std::string("Cannot create ") + fileName + ": " + systemMessage(error));
}

} // namespace Kernel32
