// SPDX-License-Identifier: GPL-3.0-or-later
// Colour values as the settings file stores them: 0x00BBGGRR.
#pragma once

#include <QColor>
#include <cstdint>

inline QColor FromVbColour(std::int32_t value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

inline std::int32_t ToVbColour(const QColor& colour) {
    return colour.red() | (colour.green() << 8) | (colour.blue() << 16);
}
