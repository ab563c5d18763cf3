// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SocketPeek.h"

#include <cerrno>
#include <sys/socket.h>

namespace SocketPeek {

bool ResetByPeer(qintptr descriptor) {
    char byte;
    return descriptor >= 0 &&
           ::recv(static_cast<int>(descriptor), &byte, 1, MSG_PEEK | MSG_DONTWAIT) < 0 &&
           errno == ECONNRESET;
}

} // namespace SocketPeek
