// SPDX-License-Identifier: GPL-3.0-or-later
// Modal message boxes with the classic button and icon codes. Tests answer them through
// SetAnswererForTesting instead of a person.
#pragma once

#include <functional>
#include <string>

namespace MsgBox {

enum Style : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
};

enum Answer : int { vbOK = 1, vbCancel = 2, vbYes = 6, vbNo = 7 };

struct Call {
    std::string prompt;
    int buttons;
    std::string title;
};

// Shows the box modally over the active window and returns the button pressed.
// An empty title shows the product name.
int Show(const std::string& prompt, int buttons = vbOKOnly, const std::string& title = {});

// While set, Show records nothing on screen and returns what the answerer says.
void SetAnswererForTesting(std::function<int(const Call&)> answerer);

} // namespace MsgBox
