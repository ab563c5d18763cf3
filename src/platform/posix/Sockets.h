// SPDX-License-Identifier: GPL-3.0-or-later
// The system's socket functions, ready from the start.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

inline bool SocketsReady() {
    return true;
}
