// SPDX-License-Identifier: GPL-3.0-or-later
// Whether the peer of a connected socket has reset the connection. Qt reports a reset by
// the peer as an orderly close; a look at the socket before Qt reads it tells the two apart.
#pragma once

#include <QtGlobal>

namespace SocketPeek {

bool ResetByPeer(qintptr descriptor);

} // namespace SocketPeek
