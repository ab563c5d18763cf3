// SPDX-License-Identifier: GPL-3.0-or-later
// The frame the window system draws around a top-level window (title bar and borders), known
// before the window is shown for the first time as well as after, so that windows can be
// placed and measured by their outer edges from the start.
#pragma once

#include <QMargins>

class QWidget;

namespace FrameExtents {

// Left, top, right and bottom thickness of the frame in pixels; none for a frameless window.
QMargins Of(const QWidget* window);

// Starts finding out the frame of a window whose native window has just been made, where the
// window system has to be asked, so that Of finds the answer there or waits less for it.
void Ask(const QWidget* window);

} // namespace FrameExtents
