// SPDX-License-Identifier: GPL-3.0-or-later
// The system's ANSI code page, as the window system's 8-bit functions use it.
#include "platform/Text8.h"

#include <windows.h>

QString toQt(const std::string& text) {
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
    QString result(length, Qt::Uninitialized);
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, reinterpret_cast<wchar_t*>(result.data()),
                          length);
    return result;
}

std::string fromQt(const QString& text) {
    if (text.isEmpty())
        return {};
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int size = static_cast<int>(text.size());
    const int length = ::WideCharToMultiByte(CP_ACP, 0, wide, size, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide, size, result.data(), length, nullptr, nullptr);
    return result;
}
