// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SocketPeek.h"

#include <winsock2.h>

namespace SocketPeek {

// Qt keeps its sockets non-blocking, so the peek never waits.
bool ResetByPeer(qintptr descriptor) {
    char byte;
    return descriptor >= 0 &&
           ::recv(static_cast<SOCKET>(descriptor), &byte, 1, MSG_PEEK) == SOCKET_ERROR &&
           ::WSAGetLastError() == WSAECONNRESET;
}

} // namespace SocketPeek
