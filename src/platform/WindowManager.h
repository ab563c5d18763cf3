// SPDX-License-Identifier: GPL-3.0-or-later
// What the window system does with the program's windows that Qt does not always pass on.
// An X11 window manager decides where a window goes: it stops a window moved past a screen
// edge and places a new dialog as it sees fit, and Qt's record of the window can miss that.
#pragma once

#include <QPoint>
#include <optional>

class QWidget;

namespace WindowManager {

// Where the shown window's client area is now, asked of the window system itself; nothing
// where Qt's record is all there is to know.
std::optional<QPoint> PositionOf(const QWidget* window);

// From now on the window's widget takes the window manager's answer to each move, also one
// that Qt passes over: a window stopped at a screen edge again, at the same place.
void FollowAnswers(QWidget* window);

} // namespace WindowManager
