// SPDX-License-Identifier: GPL-3.0-or-later
// A failure as the program's handlers see it: an error number and a description.
#pragma once

#include <stdexcept>
#include <string>

class VbError : public std::runtime_error {
public:
    // Error numbers the program distinguishes.
    enum : int {
        Overflow = 6,
        TypeMismatch = 13,
        FileNotFound = 53,
        PathFileAccess = 75,
        InvalidPropertyValue = 380,
        FormAlreadyShown = 400, // a window shown modally while it is already shown
        ChooserCancelled = 20001,
        WinsockWrongState = 40006, // no data can be read in the current state
        WinsockNotAllowed = 40020, // operation not allowed in the current state
    };

    VbError(int number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    int Number() const { return number_; }
    std::string Description() const { return what(); }

private:
    int number_;
};
