// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/VbConvert.h"

#include "platform/AsciiText.h"

#include "platform/VbError.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>

namespace {

enum class Fault { None, Mismatch, Overflow };

// A number as written in the text: either a decimal value or the raw bits of a "&H"/"&O"
// literal, whose meaning depends on the width of the target type.
struct Scanned {
    Fault fault = Fault::Mismatch;
    bool radix = false;
    std::uint64_t bits = 0;
    double value = 0;
};

template <class T> struct Outcome {
    Fault fault = Fault::Mismatch;
    T value{};
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "&H" or "&O" followed by digits of that base. Anything above 32 bits is an overflow.
Scanned scanRadix(std::string_view s) {
    Scanned out;
    const char kind = s.size() > 1 ? s[1] : '\0';
    const unsigned base = kind == 'h' || kind == 'H' ? 16 : kind == 'o' || kind == 'O' ? 8 : 0;
    if (base == 0 || s.size() == 2)
        return out;
    for (const char c : s.substr(2)) {
        unsigned digit = 16;
        if (isDigit(c))
            digit = unsigned(c - '0');
        else if (c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        if (digit >= base)
            return out;
        if (out.bits <= 0xFFFFFFFFu) // saturates; more than 32 bits is reported below
            out.bits = out.bits * base + digit;
    }
    out.radix = true;
    out.fault = out.bits > 0xFFFFFFFFu ? Fault::Overflow : Fault::None;
    return out;
}

// [sign] digits [. digits] [e|E [sign] digits], with at least one mantissa digit.
Scanned scanDecimal(std::string_view s) {
    Scanned out;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    std::size_t point = std::string_view::npos;
    std::size_t firstNonZero = std::string_view::npos; // counted in digits, not chars
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            if (s[i] != '0' && firstNonZero == std::string_view::npos)
                firstNonZero = digits;
            ++digits;
        } else if (s[i] == '.' && point == std::string_view::npos) {
            point = digits;
        } else {
            break;
        }
    }
    if (digits == 0)
        return out;
    long exponent = 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        const bool negative = i < s.size() && s[i] == '-';
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        const std::size_t start = i;
        for (; i < s.size() && isDigit(s[i]); ++i)
            exponent = std::min(exponent * 10 + (s[i] - '0'), 1000000L);
        if (i == start)
            return out;
        if (negative)
            exponent = -exponent;
    }
    if (i != s.size())
        return out;

    out.fault = Fault::None;
    if (firstNonZero == std::string_view::npos)
        return out; // all zeros, whatever the exponent
    // from_chars takes a '-' but no '+', and never consults the locale.
    const char* first = s.data() + (s[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(first, s.data() + s.size(), out.value);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: tell which from the decimal magnitude.
        const long wholeDigits = long(point == std::string_view::npos ? digits : point);
        const long magnitude = wholeDigits - long(firstNonZero) + exponent;
        const double size = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
        out.value = s.front() == '-' ? -size : size;
    }
    return out;
}

Scanned scan(std::string_view text) {
    const std::string_view s = AsciiText::TrimBlanks(text);
    if (s.empty())
        return {};
    return s.front() == '&' ? scanRadix(s) : scanDecimal(s);
}

template <class T> Outcome<T> toWhole(std::string_view text) {
    using Unsigned = std::make_unsigned_t<T>;
    const Scanned n = scan(text);
    if (n.fault != Fault::None)
        return {n.fault};
    if (n.radix) {
        // Literals up to the type's full width are its two's complement bit patterns.
        if (n.bits > std::numeric_limits<Unsigned>::max())
            return {Fault::Overflow};
        return {Fault::None, static_cast<T>(static_cast<Unsigned>(n.bits))};
    }
    const double rounded = std::nearbyint(n.value); // halves to even
    if (!(rounded >= std::numeric_limits<T>::min() && rounded <= std::numeric_limits<T>::max()))
        return {Fault::Overflow};
    return {Fault::None, static_cast<T>(rounded)};
}

Outcome<bool> toBool(std::string_view text) {
    const std::string_view word = AsciiText::TrimBlanks(text);
    if (AsciiText::EqualIgnoringCase(word, "true"))
        return {Fault::None, true};
    if (AsciiText::EqualIgnoringCase(word, "false"))
        return {Fault::None, false};
    const Scanned n = scan(word);
    if (n.fault != Fault::None)
        return {n.fault};
    return {Fault::None, n.radix ? n.bits != 0 : n.value != 0};
}

template <class T> std::optional<T> asOptional(const Outcome<T>& outcome) {
    if (outcome.fault != Fault::None)
        return std::nullopt;
    return outcome.value;
}

template <class T> T orRaise(const Outcome<T>& outcome) {
    if (outcome.fault == Fault::Overflow)
        throw VbError(VbError::Overflow, "Overflow");
    if (outcome.fault == Fault::Mismatch)
        throw VbError(VbError::TypeMismatch, "Type mismatch");
    return outcome.value;
}

} // namespace

std::optional<bool> CBool(std::string_view text) {
    return asOptional(toBool(text));
}

std::optional<std::int16_t> CInt(std::string_view text) {
    return asOptional(toWhole<std::int16_t>(text));
}

std::optional<std::int32_t> CLng(std::string_view text) {
    return asOptional(toWhole<std::int32_t>(text));
}

bool CBoolOrRaise(std::string_view text) {
    return orRaise(toBool(text));
}

std::int16_t CIntOrRaise(std::string_view text) {
    return orRaise(toWhole<std::int16_t>(text));
}

std::int32_t CLngOrRaise(std::string_view text) {
    return orRaise(toWhole<std::int32_t>(text));
}
