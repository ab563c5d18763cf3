// SPDX-License-Identifier: GPL-3.0-or-later
// Text-to-value conversions with the classic BASIC runtime's rules: blanks around the
// number, an optional sign, a decimal fraction rounded half to even, an exponent ("1e3"),
// "&H" hexadecimal and "&O" octal, and for Booleans the words True and False in any case.
//
// The optional forms return nothing for text that is not a number (type mismatch) and for
// a number outside the target's range (overflow). The raising forms throw VbError with
// VbError::TypeMismatch or VbError::Overflow, for callers that must tell the two apart.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<bool> CBool(std::string_view text);
std::optional<std::int16_t> CInt(std::string_view text);
std::optional<std::int32_t> CLng(std::string_view text);

bool CBoolOrRaise(std::string_view text);
std::int16_t CIntOrRaise(std::string_view text);
std::int32_t CLngOrRaise(std::string_view text);
