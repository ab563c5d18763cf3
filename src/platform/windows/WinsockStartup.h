// SPDX-License-Identifier: GPL-3.0-or-later
// Winsock has to be started once before a process's first socket call; it stays started.
#pragma once

#include <winsock2.h>

inline bool WinsockStarted() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
