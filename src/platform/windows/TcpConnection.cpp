// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TcpConnection.h"

#include "platform/Guarded.h"
#include "platform/windows/Sockets.h"

#include <QWinEventNotifier>
#include <algorithm>
#include <cstring>
#include <utility>

namespace {

// Bytes read in one look at the socket at most: a peer that sends faster than they are
// read does not keep the program from its windows.
constexpr std::size_t kMostPerLook = 1 << 20;

int peerAddress(const IpAddress& address, std::uint16_t port, sockaddr_storage& peer) {
    if (address.v6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(peer);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = ::htons(port);
        std::memcpy(&v6.sin6_addr, address.bytes.data(), 16);
        return sizeof v6;
    }
    auto& v4 = reinterpret_cast<sockaddr_in&>(peer);
    v4.sin_family = AF_INET;
    v4.sin_port = ::htons(port);
    std::memcpy(&v4.sin_addr, address.bytes.data(), 4);
    return sizeof v4;
}

} // namespace

// One event object records all that happens on the socket, from before connect() is called
// to the end: the attempt's outcome, bytes, the peer's close. Chosen before connect(), it lets
// no outcome come too early to be seen; kept for the whole connection, it lets nothing fall
// between the attempt and the reading (Wine tells nothing of what happened before a socket
// was watched).
TcpConnection::TcpConnection(const IpAddress& address, std::uint16_t port, QObject* parent)
    : QObject(parent) {
    if (!SocketsReady()) {
        EndLater(WSASYSNOTREADY);
        return;
    }
    sockaddr_storage peer{};
    const int length = peerAddress(address, port, peer);
    const SOCKET socket = ::socket(peer.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) {
        EndLater(::WSAGetLastError());
        return;
    }
    descriptor_ = qintptr(socket);
    const WSAEVENT event = ::WSACreateEvent();
    event_ = event;
    if (event == WSA_INVALID_EVENT ||
        ::WSAEventSelect(socket, event, FD_CONNECT | FD_READ | FD_CLOSE) != 0 ||
        (::connect(socket, reinterpret_cast<const sockaddr*>(&peer), length) == SOCKET_ERROR &&
         ::WSAGetLastError() != WSAEWOULDBLOCK)) {
        EndLater(::WSAGetLastError());
        return;
    }
    auto* signalled = new QWinEventNotifier(event, this);
    watch_ = signalled;
    connect(signalled, &QWinEventNotifier::activated, this,
            [this] { Guarded([&] { OnReady(); }); });
}

TcpConnection::~TcpConnection() {
    Shut();
    delete watch_; // before its event goes
    if (event_)
        ::WSACloseEvent(static_cast<WSAEVENT>(event_));
}

void TcpConnection::Shut() {
    quiet_ = true;
    StopWatching();
    if (descriptor_ >= 0)
        ::closesocket(SOCKET(std::exchange(descriptor_, -1)));
}

// The notifier stays, disabled, until the connection goes: its event is closed only then.
void TcpConnection::StopWatching() {
    if (watch_)
        static_cast<QWinEventNotifier*>(watch_)->setEnabled(false);
}

void TcpConnection::OnReady() {
    if (quiet_) // news that was on its way when the watch stopped
        return;
    WSANETWORKEVENTS happened{};
    if (::WSAEnumNetworkEvents(SOCKET(descriptor_), static_cast<WSAEVENT>(event_), &happened) !=
        0) {
        Deliver({}, ::WSAGetLastError());
        return;
    }
    if (!connected_) {
        if (!(happened.lNetworkEvents & FD_CONNECT))
            return;
        if (const int error = happened.iErrorCode[FD_CONNECT_BIT]) {
            Deliver({}, error);
            return;
        }
        connected_ = true;
        Q_EMIT Connected();
        if (quiet_)
            return;
    }
    if (!(happened.lNetworkEvents & (FD_READ | FD_CLOSE)))
        return;
    // One read of what waits; after FD_CLOSE, which is told once, all that is left, to the end.
    const bool closing = happened.lNetworkEvents & FD_CLOSE;
    std::string bytes, more;
    int end = kOpen;
    do {
        end = ReadWaiting(more);
        bytes += more;
    } while (closing && end == kOpen && !more.empty());
    if (closing && end == kOpen) // the socket had nothing to say of the close the system told of
        end = happened.iErrorCode[FD_CLOSE_BIT];
    Deliver(bytes, end);
}

// One read of what waits, as much as the system says, up to a limit: the end of the
// connection, if it came, else kOpen.
int TcpConnection::ReadWaiting(std::string& bytes) {
    u_long waiting = 0;
    if (::ioctlsocket(SOCKET(descriptor_), FIONREAD, &waiting) != 0 || waiting == 0)
        waiting = 4096; // the end, or an error, which the read tells
    bytes.resize(std::min(std::size_t(waiting), kMostPerLook));
    const int count = ::recv(SOCKET(descriptor_), &bytes[0], int(bytes.size()), 0);
    if (count >= 0) {
        bytes.resize(std::size_t(count));
        return count == 0 ? 0 : kOpen; // 0: the peer's orderly close
    }
    bytes.clear();
    const int error = ::WSAGetLastError();
    return error == WSAEWOULDBLOCK ? kOpen : error;
}
