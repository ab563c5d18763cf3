// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TcpConnection.h"

#include "platform/Guarded.h"

#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

// Bytes read in one look at the socket at most: a peer that sends faster than they are
// read does not keep the program from its windows.
constexpr std::size_t kMostPerLook = 1 << 20;

int winsockNumber(int error) {
    switch (error) {
    case ECONNREFUSED:
        return 10061;
    case ETIMEDOUT:
        return 10060;
    case ECONNRESET:
    case EPIPE:
        return 10054;
    case ECONNABORTED:
        return 10053;
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

socklen_t peerAddress(const IpAddress& address, std::uint16_t port, sockaddr_storage& peer) {
    if (address.v6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(peer);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        std::memcpy(&v6.sin6_addr, address.bytes.data(), 16);
        return sizeof v6;
    }
    auto& v4 = reinterpret_cast<sockaddr_in&>(peer);
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    std::memcpy(&v4.sin_addr, address.bytes.data(), 4);
    return sizeof v4;
}

} // namespace

// The socket turns writable when the attempt is over, made or failed; then readable whenever
// bytes, the peer's close or an error wait.
TcpConnection::TcpConnection(const IpAddress& address, std::uint16_t port, QObject* parent)
    : QObject(parent) {
    sockaddr_storage peer{};
    const socklen_t length = peerAddress(address, port, peer);
    const int fd = ::socket(peer.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        EndLater(winsockNumber(errno));
        return;
    }
    descriptor_ = fd;
    // An interrupted connect() goes on by itself, as one in progress does.
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&peer), length) != 0 &&
        errno != EINPROGRESS && errno != EINTR) {
        EndLater(winsockNumber(errno));
        return;
    }
    auto* writable = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    watch_ = writable;
    connect(writable, &QSocketNotifier::activated, this,
            [this] { Guarded([&] { OnConnectDone(); }); });
}

void TcpConnection::OnConnectDone() {
    int error = 0;
    socklen_t size = sizeof error;
    if (::getsockopt(int(descriptor_), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
        error = errno;
    if (error != 0) {
        Deliver({}, winsockNumber(error));
        return;
    }
    StopWatching();
    auto* readable = new QSocketNotifier(descriptor_, QSocketNotifier::Read, this);
    watch_ = readable;
    connect(readable, &QSocketNotifier::activated, this, [this] { Guarded([&] { OnReady(); }); });
    connected_ = true;
    Q_EMIT Connected();
}

TcpConnection::~TcpConnection() {
    Shut();
}

void TcpConnection::Shut() {
    quiet_ = true;
    StopWatching(); // before its socket goes
    if (descriptor_ >= 0)
        ::close(int(std::exchange(descriptor_, -1)));
}

// A notifier is never deleted inside its own signal: it goes once disabled, later.
void TcpConnection::StopWatching() {
    if (auto* notifier = static_cast<QSocketNotifier*>(std::exchange(watch_, nullptr))) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
}

void TcpConnection::OnReady() {
    if (quiet_) // news that was on its way when the watch stopped
        return;
    std::string bytes;
    const int end = ReadWaiting(bytes);
    Deliver(bytes, end);
}

// One read of what waits (as much as the system says, up to a limit; more comes with the next
// look): the end of the connection, if it came, else kOpen. The peer's close is seen by the
// look after its last bytes were read.
int TcpConnection::ReadWaiting(std::string& bytes) {
    int waiting = 0;
    if (::ioctl(int(descriptor_), FIONREAD, &waiting) != 0 || waiting <= 0)
        waiting = 4096; // the end, or an error, which the read tells
    bytes.resize(std::min(std::size_t(waiting), kMostPerLook));
    for (;;) {
        const ssize_t count = ::recv(int(descriptor_), &bytes[0], bytes.size(), 0);
        if (count >= 0) {
            bytes.resize(std::size_t(count));
            return count == 0 ? 0 : kOpen; // 0: the peer's orderly close
        }
        if (errno != EINTR) {
            bytes.clear();
            return errno == EAGAIN || errno == EWOULDBLOCK ? kOpen : winsockNumber(errno);
        }
    }
}
