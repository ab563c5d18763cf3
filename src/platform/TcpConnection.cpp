// SPDX-License-Identifier: GPL-3.0-or-later
// What every system's connection does alike; the socket calls are in the system's own file.
#include "platform/TcpConnection.h"

#include "platform/Guarded.h"

#include <utility>

// What one look at the socket found: first the bytes, then the end, if it came. A handler of
// the bytes may shut the connection, and then nothing more comes.
void TcpConnection::Deliver(const std::string& bytes, int end) {
    if (end != kOpen)
        StopWatching();
    if (!bytes.empty() && !quiet_)
        Q_EMIT Received(bytes);
    if (end != kOpen && !std::exchange(quiet_, true))
        Q_EMIT Ended(end);
}

void TcpConnection::EndLater(int error) {
    StopWatching();
    QMetaObject::invokeMethod(
        this,
        [this, error] {
            if (!std::exchange(quiet_, true))
                Guarded([&] { Q_EMIT Ended(error); });
        },
        Qt::QueuedConnection);
}
