// SPDX-License-Identifier: GPL-3.0-or-later
// Runs an event handler so that no failure inside it reaches Qt's event loop. Handlers
// that need their own failure path catch before this; whatever is left ends the handler
// silently, as the program's failure rules ask.
#pragma once

#include <exception>

template <typename Handler> void Guarded(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception&) {
    } catch (...) {
    }
}
