// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplaySession.h"

namespace DisplaySession {

// Windows has one window system; there is nothing to choose.
void PreferX11() {}

} // namespace DisplaySession
