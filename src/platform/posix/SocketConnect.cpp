// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SocketConnect.h"

#include <QHostAddress>
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

} // namespace

namespace SocketConnect {

int Start(const QHostAddress& address, quint16 port, qintptr& descriptor) {
    descriptor = -1;
    sockaddr_storage peer{};
    socklen_t length;
    if (address.protocol() == QAbstractSocket::IPv6Protocol) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(peer);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        const Q_IPV6ADDR bytes = address.toIPv6Address();
        std::memcpy(&v6.sin6_addr, bytes.c, sizeof bytes.c);
        length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(peer);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        v4.sin_addr.s_addr = htonl(address.toIPv4Address());
        length = sizeof v4;
    }
    const int fd = ::socket(peer.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return winsockNumber(errno);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), length) != 0 &&
        errno != EINPROGRESS && errno != EINTR) { // an interrupted one goes on by itself
        const int error = errno;
        ::close(fd);
        return winsockNumber(error);
    }
    descriptor = fd;
    return 0;
}

int Outcome(qintptr descriptor) {
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(int(descriptor), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    return error == 0 ? 0 : winsockNumber(error);
}

void Discard(qintptr descriptor) {
    ::close(int(descriptor));
}

} // namespace SocketConnect
