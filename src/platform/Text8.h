// The one place where the program's 8-bit text meets Qt's Unicode strings.
// One byte is one character (ISO 8859-1), both ways, so any byte survives a round trip.
#pragma once

#include <QString>
#include <string>

inline QString toQt(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string fromQt(const QString& text) {
    return text.toLatin1().toStdString();
}
