// SPDX-License-Identifier: GPL-3.0-or-later
// Small 8-bit text helpers shared by the settings file and conversion code.
#pragma once

#include <algorithm>
#include <string_view>

namespace AsciiText {

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The text without blanks (spaces and tabs) at its end.
inline std::string_view TrimTrailingBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// The text without blanks (spaces and tabs) at either end.
inline std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    return TrimTrailingBlanks(s);
}

inline char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Equal without regard to the case of ASCII letters.
inline bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

} // namespace AsciiText
