// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing how the program talks to the desktop, before the application object exists.
#pragma once

#include <string>

namespace DisplaySession {

// Why no window can be shown from here, as one line for the terminal (started over ssh
// without a forwarded display, or from cron); empty when there is a display to talk to, or
// when QT_QPA_PLATFORM names the platform explicitly.
std::string Missing();

// On a Wayland desktop a window cannot keep itself above other windows or place itself,
// both of which the caption window relies on. Where the desktop also offers X11
// (XWayland), run there instead. An explicit QT_QPA_PLATFORM is left alone.
void PreferX11();

// While the application object is being made, between these two calls, Qt's notice that
// the session has no runtime folder is not printed (see the system's file for why); every
// other message passes as before.
void BeginQuietStart();
void EndQuietStart();

} // namespace DisplaySession
