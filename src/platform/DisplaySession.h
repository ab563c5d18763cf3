// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing how the program talks to the desktop, before the application object exists.
#pragma once

namespace DisplaySession {

// On a Wayland desktop a window cannot keep itself above other windows or place itself,
// both of which the caption window relies on. Where the desktop also offers X11
// (XWayland), run there instead. An explicit QT_QPA_PLATFORM is left alone.
void PreferX11();

} // namespace DisplaySession
