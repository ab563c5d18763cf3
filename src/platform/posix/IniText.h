// SPDX-License-Identifier: GPL-3.0-or-later
// The text of an INI file read and changed the way Windows' own profile functions read it.
// Bytes are 8-bit and kept exactly; a change touches only the lines it has to.
//
// A UTF-8 byte-order mark at the start of the text is no part of its first line; a change
// keeps it. Lines end with CR LF, LF or a lone CR. A section header is a line whose first
// non-blank character is '[' and that has a ']': the name runs to the last ']' on the line.
// A line starting with '[' but without ']' is no header. A key line holds '='; blanks around names
// and values are ignored and a value wholly inside double or single quotes loses them. Lines
// starting with ';' are comments. Names match without regard to the case of ASCII letters.
// Only the first section of a given name is searched and written.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace IniText {

// Whether the text starts with the UTF-8 byte-order mark, as Notepad saves "UTF-8".
bool HasUtf8Mark(std::string_view text);

// The value of `key` in `section`, or nothing when the section or the key is missing.
std::optional<std::string_view> Find(std::string_view text, std::string_view section,
                                     std::string_view key);

// `text` with `key` in `section` set to `value`. An existing key keeps its line, its own
// spelling and the blanks around its '='; only its value is replaced. A new key goes after
// the last non-blank line of the section, a new section at the end of the text.
std::string Set(std::string_view text, std::string_view section, std::string_view key,
                std::string_view value);

// `text` without the lines of `key` in `section`.
std::string RemoveKey(std::string_view text, std::string_view section, std::string_view key);

// `text` without every section named `section` (header and lines).
std::string RemoveSection(std::string_view text, std::string_view section);

// Every section and key name pair the text holds, in lower case, sorted and unique.
std::vector<std::string> KeyNames(std::string_view text);

} // namespace IniText
