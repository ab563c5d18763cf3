// SPDX-License-Identifier: GPL-3.0-or-later
// One connection attempt on a socket of the system's own: exactly one connect() call. Its
// outcome is read from the socket once the socket turns writable, never by calling connect()
// again, which after a failure would start a new attempt of its own.
//
// Errors are the Winsock error numbers (10061 connection refused, 10060 timed out, 10054
// reset by the peer, ...), whatever the system's own numbers are.
#pragma once

#include <QtGlobal>

class QHostAddress;

namespace SocketConnect {

// Opens a non-blocking TCP socket and starts its connection to address:port. Returns 0 and
// the socket in `descriptor` while the attempt is under way (or made at once), else the error
// number, with nothing left open.
int Start(const QHostAddress& address, quint16 port, qintptr& descriptor);
// Once the socket is writable: 0 when the connection is made, else the error number.
int Outcome(qintptr descriptor);
// Closes a socket that no one else took over.
void Discard(qintptr descriptor);

} // namespace SocketConnect
