// SPDX-License-Identifier: GPL-3.0-or-later
// Moving and resizing a window by following the pointer ourselves, for where the window
// system's own loops are not at hand or cannot be trusted (some X11 window managers, the
// offscreen and minimal platforms). Each call runs a nested event loop until the left button
// goes up, so timers and sockets keep working meanwhile.
#pragma once

#include <QPoint>
#include <Qt>

class QWidget;

namespace PointerTracker {

// The window follows the pointer from where the left button last went down.
void MoveByHand(QWidget* window);
// The given edges of the window follow the pointer; the window keeps a small minimum size.
void ResizeByHand(QWidget* window, Qt::Edges edges);
// Returns once the left button is up (after a system loop that returns early).
void WaitForRelease();

} // namespace PointerTracker
