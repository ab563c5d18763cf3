// SPDX-License-Identifier: GPL-3.0-or-later
// The system's socket functions. Winsock has to be started once before a process's first
// socket call; it stays started.
#pragma once

#include <winsock2.h>
#include <ws2tcpip.h>

inline bool SocketsReady() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}
