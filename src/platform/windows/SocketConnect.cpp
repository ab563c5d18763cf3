// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SocketConnect.h"

#include <QHostAddress>
#include <cstring>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

// Qt starts Winsock for its own sockets; this one may come before any of them.
bool winsockStarted() {
    static const bool started = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

} // namespace

namespace SocketConnect {

int Start(const QHostAddress& address, quint16 port, qintptr& descriptor) {
    descriptor = -1;
    if (!winsockStarted())
        return WSASYSNOTREADY;
    sockaddr_storage peer{};
    int length;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(peer);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = ::htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
        length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(peer);
        v4.sin_family = AF_INET;
        v4.sin_port = ::htons(port);
        v4.sin_addr.s_addr = ::htonl(address.toIPv4Address());
        length = sizeof v4;
    }
    const SOCKET socket = ::socket(peer.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET)
        return ::WSAGetLastError();
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket, FIONBIO, &nonBlocking) != 0 ||
        (::connect(socket, reinterpret_cast<const sockaddr*>(&peer), length) == SOCKET_ERROR &&
         ::WSAGetLastError() != WSAEWOULDBLOCK)) {
        const int error = ::WSAGetLastError();
        ::closesocket(socket);
        return error;
    }
    descriptor = qintptr(socket);
    return 0;
}

int Outcome(qintptr descriptor) {
    int error = 0;
    int length = sizeof error;
    if (::getsockopt(SOCKET(descriptor), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                     &length) != 0)
        error = ::WSAGetLastError();
    return error;
}

void Discard(qintptr descriptor) {
    ::closesocket(SOCKET(descriptor));
}

} // namespace SocketConnect
