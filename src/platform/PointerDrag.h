// SPDX-License-Identifier: GPL-3.0-or-later
// Moving and resizing a frameless window with the mouse, as a title-bar or frame press
// does on a decorated window. Both calls return once the mouse button is released.
#pragma once

#include <Qt>

class QWidget;

namespace PointerDrag {

void MoveWindow(QWidget* window);
void ResizeWindow(QWidget* window, Qt::Edges edges);

} // namespace PointerDrag
