// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DisplaySession.h"

namespace DisplaySession {

// Windows has one window system, always there for a desktop program; there is nothing to
// choose and nothing to warn about.
std::string Missing() {
    return {};
}

void PreferX11() {}

void BeginQuietStart() {}

void EndQuietStart() {}

} // namespace DisplaySession
