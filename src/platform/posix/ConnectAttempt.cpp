// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ConnectAttempt.h"

#include <QHostAddress>
#include <QSocketNotifier>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int winsockNumber(int error) {
    switch (error) {
    case ECONNREFUSED:
        return 10061;
    case ETIMEDOUT:
        return 10060;
    case ECONNRESET:
        return 10054;
    case ENETUNREACH:
        return 10051;
    case EHOSTUNREACH:
        return 10065;
    case EADDRNOTAVAIL:
        return 10049;
    case EAFNOSUPPORT:
        return 10047;
    case EACCES:
    case EPERM:
        return 10013;
    case EMFILE:
    case ENFILE:
    case ENOBUFS:
    case ENOMEM:
        return 10055;
    default:
        return 10050;
    }
}

socklen_t peerAddress(const QHostAddress& address, quint16 port, sockaddr_storage& peer) {
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(peer);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
        return sizeof v6;
    }
    auto& v4 = reinterpret_cast<sockaddr_in&>(peer);
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    v4.sin_addr.s_addr = htonl(address.toIPv4Address());
    return sizeof v4;
}

} // namespace

// The socket turns writable when the attempt is over, made or failed.
ConnectAttempt::ConnectAttempt(const QHostAddress& address, quint16 port, QObject* parent)
    : QObject(parent) {
    sockaddr_storage peer{};
    const socklen_t length = peerAddress(address, port, peer);
    const int fd = ::socket(peer.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        FinishLater(winsockNumber(errno));
        return;
    }
    descriptor_ = fd;
    // An interrupted connect() goes on by itself, as one in progress does.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), length) != 0 &&
        errno != EINPROGRESS && errno != EINTR) {
        FinishLater(winsockNumber(errno));
        return;
    }
    auto* writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    watch_ = writable;
    connect(writable, &QSocketNotifier::activated, this, [this, writable] {
        writable->setEnabled(false);
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(int(descriptor_), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = errno;
        Q_EMIT Finished(error == 0 ? 0 : winsockNumber(error));
    });
}

ConnectAttempt::~ConnectAttempt() {
    delete watch_; // before its socket goes
    if (descriptor_ >= 0)
        ::close(int(descriptor_));
}

void ConnectAttempt::FinishLater(int error) {
    QMetaObject::invokeMethod(
        this, [this, error] { Q_EMIT Finished(error); }, Qt::QueuedConnection);
}
