// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Winsock.h"

#include "platform/HostLookup.h"
#include "platform/HostName.h"
#include "platform/TcpConnection.h"
#include "platform/VbError.h"

#include <utility>

namespace {

std::string describe(int number) {
    switch (number) {
    case 10061:
        return "Connection refused";
    case 10060:
        return "Connection timed out";
    case 10054:
        return "Connection reset by the peer";
    case 11001:
        return "Host not found";
    default:
        return "Connection failed (" + std::to_string(number) + ")";
    }
}

const char* const kWrongState =
    "Wrong protocol or connection state for the requested transaction or request";

} // namespace

Winsock::Winsock(QObject* parent) : QObject(parent) {}

Winsock::~Winsock() {
    DropAttempt();
}

void Winsock::SetRemotePort(std::int32_t port) {
    if (port < 0 || port > 65535)
        throw VbError(VbError::InvalidPropertyValue, "Invalid property value");
    remotePort_ = port;
}

void Winsock::Connect() {
    if (state_ != sckClosed)
        throw VbError(VbError::WinsockNotAllowed, kWrongState);
    DropAttempt();
    received_.clear();
    if (const auto address = HostName::Numeric(remoteHost_)) {
        StartAttempt(*address);
        return;
    }
    state_ = sckResolvingHost;
    lookup_ = std::make_unique<HostLookup>(
        remoteHost_, this, [this](const HostName::Found& found) { OnHostFound(found); });
}

void Winsock::Close() {
    state_ = sckClosed;
    DropAttempt();
    received_.clear();
}

void Winsock::OnHostFound(const HostName::Found& found) {
    if (found.error != 0)
        Fail(found.error);
    else
        StartAttempt(found.address);
}

void Winsock::StartAttempt(const IpAddress& address) {
    DropAttempt();
    state_ = sckConnecting;
    connection_ = new TcpConnection(address, static_cast<std::uint16_t>(remotePort_), this);
    connect(connection_, &TcpConnection::Connected, this, &Winsock::OnConnected);
    connect(connection_, &TcpConnection::Received, this, &Winsock::OnReceived);
    connect(connection_, &TcpConnection::Ended, this, &Winsock::OnEnded);
}

void Winsock::OnConnected() {
    state_ = sckConnected;
    Q_EMIT Connected();
}

void Winsock::OnReceived(const std::string& bytes) {
    received_ += bytes;
    Q_EMIT DataArrival(static_cast<std::int64_t>(received_.size()));
}

// The attempt failed, or the made connection ended: the peer closed it, reset it, or the
// network failed. The socket goes now; unread bytes stay readable while the client is closing.
void Winsock::OnEnded(int error) {
    const bool wasConnected = state_ == sckConnected;
    DropAttempt();
    if (wasConnected && error == 0) {
        state_ = sckClosing;
        Q_EMIT Closed();
        return;
    }
    Fail(error != 0 ? error : 10054);
}

void Winsock::Fail(int number) {
    DropAttempt();
    state_ = sckError;
    Q_EMIT Error(number, describe(number));
}

// Forgets the attempt under way, if any: its lookup, its socket and any news of them. The
// connection may be the one whose signal is being handled, so it goes later, shut already.
void Winsock::DropAttempt() {
    lookup_.reset();
    if (TcpConnection* connection = std::exchange(connection_, nullptr)) {
        connection->Shut();
        connection->deleteLater();
    }
}

std::string Winsock::GetData() {
    if (state_ != sckConnected && state_ != sckClosing)
        throw VbError(VbError::WinsockWrongState, kWrongState);
    return std::exchange(received_, std::string());
}
