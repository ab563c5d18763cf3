// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ConnectAttempt.h"

#include <QHostAddress>
#include <QWinEventNotifier>
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

int peerAddress(const QHostAddress& address, quint16 port, sockaddr_storage& peer) {
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(peer);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = ::htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
        return sizeof v6;
    }
    auto& v4 = reinterpret_cast<sockaddr_in&>(peer);
    v4.sin_family = AF_INET;
    v4.sin_port = ::htons(port);
    v4.sin_addr.s_addr = ::htonl(address.toIPv4Address());
    return sizeof v4;
}

// The connect's error, else the error of an end the peer put to the connection already
// (WSAEDISCON for an orderly one), else 0.
int outcome(const WSANETWORKEVENTS& happened) {
    const int connectError = happened.iErrorCode[FD_CONNECT_BIT];
    if (connectError != 0 || !(happened.lNetworkEvents & FD_CLOSE))
        return connectError;
    return happened.iErrorCode[FD_CLOSE_BIT] != 0 ? happened.iErrorCode[FD_CLOSE_BIT] : WSAEDISCON;
}

} // namespace

// The system records the end of the attempt, made or failed, in an event object that is
// chosen before connect() is called, so that no outcome can come too early to be seen. A peer
// that ends the connection before it is handed over (its end would go unseen by whoever takes
// the socket) fails the attempt with the error of that end.
ConnectAttempt::ConnectAttempt(const QHostAddress& address, quint16 port, QObject* parent)
    : QObject(parent) {
    if (!winsockStarted()) {
        FinishLater(WSASYSNOTREADY);
        return;
    }
    sockaddr_storage peer{};
    const int length = peerAddress(address, port, peer);
    const SOCKET socket = ::socket(peer.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        FinishLater(::WSAGetLastError());
        return;
    }
    descriptor_ = qintptr(socket);
    const WSAEVENT event = ::WSACreateEvent();
    event_ = event;
    if (event == WSA_INVALID_EVENT || ::WSAEventSelect(socket, event, FD_CONNECT | FD_CLOSE) != 0 ||
        (::connect(socket, reinterpret_cast<const sockaddr*>(&peer), length) == SOCKET_ERROR &&
         ::WSAGetLastError() != WSAEWOULDBLOCK)) {
        FinishLater(::WSAGetLastError());
        return;
    }
    auto* over = new QWinEventNotifier(event, this);
    watch_ = over;
    connect(over, &QWinEventNotifier::activated, this, [this, over, socket, event] {
        WSANETWORKEVENTS happened{};
        const bool read = ::WSAEnumNetworkEvents(socket, event, &happened) == 0;
        if (read && !(happened.lNetworkEvents & FD_CONNECT))
            return;
        const int error = read ? outcome(happened) : ::WSAGetLastError();
        over->setEnabled(false);
        ::WSAEventSelect(socket, nullptr, 0); // whoever takes the socket watches it its own way
        Q_EMIT Finished(error);
    });
}

ConnectAttempt::~ConnectAttempt() {
    delete watch_; // before its event goes
    if (event_)
        ::WSACloseEvent(static_cast<WSAEVENT>(event_));
    if (descriptor_ >= 0)
        ::closesocket(SOCKET(descriptor_));
}

void ConnectAttempt::FinishLater(int error) {
    QMetaObject::invokeMethod(
        this, [this, error] { Q_EMIT Finished(error); }, Qt::QueuedConnection);
}
