// SPDX-License-Identifier: GPL-3.0-or-later
// Windows-1252: Latin-1 with printable characters in 0x80-0x9F. Its five undefined bytes
// stand for the control characters of the same number, so every byte survives a round trip.
#include "platform/Text8.h"

#include <array>

namespace {

constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char toByte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < HighControls.size(); ++i)
        if (HighControls[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

QString toQt(const std::string& text) {
    QString result(static_cast<qsizetype>(text.size()), Qt::Uninitialized);
    QChar* out = result.data();
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? HighControls[byte - 0x80] : char16_t(byte));
    }
    return result;
}

std::string fromQt(const QString& text) {
    std::string result;
    result.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text)
        result += toByte(c.unicode());
    return result;
}
