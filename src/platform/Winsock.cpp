// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Winsock.h"

#include "platform/ConnectAttempt.h"
#include "platform/SocketPeek.h"
#include "platform/Text8.h"
#include "platform/VbError.h"

#include <QEvent>
#include <QHostInfo>
#include <QSocketNotifier>
#include <algorithm>
#include <utility>

namespace {

// The error numbers a Winsock client reports for what went wrong on the wire.
int errorNumberFor(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::HostNotFoundError:
        return 11001;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::NetworkError:
        return 10054; // reset by peer, or the network went away
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    default:
        return 10050;
    }
}

constexpr int kHostNotFound = 11001;

std::string describe(int number) {
    switch (number) {
    case 10061:
        return "Connection refused";
    case 10060:
        return "Connection timed out";
    case 10054:
        return "Connection reset by the peer";
    case kHostNotFound:
        return "Host not found";
    default:
        return "Connection failed (" + std::to_string(number) + ")";
    }
}

} // namespace

// Qt reports a connection reset by the peer as an orderly close. To tell the two apart,
// peek at the socket just before Qt reads it.
class Winsock::ResetWatch : public QObject {
public:
    ResetWatch(Winsock& owner) : QObject(&owner), owner_(owner) {}

    void Watch(QTcpSocket& socket) {
        for (QSocketNotifier* notifier : socket.findChildren<QSocketNotifier*>())
            if (notifier->type() == QSocketNotifier::Read)
                notifier->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::SockAct &&
            SocketPeek::ResetByPeer(owner_.socket_.socketDescriptor()))
            owner_.resetByPeer_ = true;
        return false;
    }

private:
    Winsock& owner_;
};

Winsock::Winsock(QObject* parent) : QObject(parent), resetWatch_(new ResetWatch(*this)) {
    connect(&socket_, &QTcpSocket::errorOccurred, this, &Winsock::OnSocketError);
    connect(&socket_, &QTcpSocket::readyRead, this,
            [this] { Q_EMIT DataArrival(socket_.bytesAvailable()); });
}

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
        throw VbError(VbError::WinsockNotAllowed,
                      "Wrong protocol or connection state for the requested transaction or "
                      "request");
    DropAttempt();
    resetByPeer_ = false;
    QHostAddress address;
    if (address.setAddress(toQt(remoteHost_))) {
        StartAttempt(address);
        return;
    }
    state_ = sckResolvingHost;
    const quint64 attempt = attempts_;
    lookupId_ =
        QHostInfo::lookupHost(toQt(remoteHost_), this, [this, attempt](const QHostInfo& info) {
            if (attempt == attempts_)
                OnHostFound(info);
        });
}

void Winsock::Close() {
    state_ = sckClosed; // first, so the abort's own state change is not taken for news
    DropAttempt();
    socket_.abort();
}

// One attempt goes to one address: the first IPv4 one, the kind of address a host name
// stands for here, else the first of any kind.
void Winsock::OnHostFound(const QHostInfo& info) {
    lookupId_ = -1;
    const QList<QHostAddress> found = info.addresses();
    const auto v4 = std::find_if(found.begin(), found.end(), [](const QHostAddress& a) {
        return a.protocol() == QAbstractSocket::IPv4Protocol;
    });
    if (found.isEmpty())
        Fail(kHostNotFound);
    else
        StartAttempt(v4 != found.end() ? *v4 : found.first());
}

void Winsock::StartAttempt(const QHostAddress& address) {
    state_ = sckConnecting;
    attempt_ = new ConnectAttempt(address, static_cast<quint16>(remotePort_), this);
    connect(attempt_, &ConnectAttempt::Finished, this, &Winsock::OnAttemptDone);
}

// Only a made connection goes to QTcpSocket, which takes its socket over.
void Winsock::OnAttemptDone(int error) {
    ConnectAttempt* attempt = std::exchange(attempt_, nullptr);
    attempt->deleteLater(); // not inside its own signal
    if (error == 0 && socket_.setSocketDescriptor(attempt->Descriptor())) {
        attempt->Release();
        state_ = sckConnected;
        resetWatch_->Watch(socket_);
        Q_EMIT Connected();
        return;
    }
    Fail(error != 0 ? error : 10054); // a socket the system would not take counts as lost
}

void Winsock::Fail(int number) {
    DropAttempt();
    state_ = sckError;
    Q_EMIT Error(number, describe(number));
}

// Forgets the attempt under way, if any: its lookup, its socket and any news of it.
void Winsock::DropAttempt() {
    ++attempts_;
    if (lookupId_ != -1)
        QHostInfo::abortHostLookup(std::exchange(lookupId_, -1));
    delete std::exchange(attempt_, nullptr);
}

std::string Winsock::GetData() {
    if (state_ != sckConnected && state_ != sckClosing)
        throw VbError(VbError::WinsockWrongState,
                      "Wrong protocol or connection state for the requested transaction or "
                      "request");
    const QByteArray bytes = socket_.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// What happens on a made connection: the peer closes it, resets it, or the network fails.
void Winsock::OnSocketError(QAbstractSocket::SocketError error) {
    if (state_ != sckConnected)
        return;
    if (error == QAbstractSocket::RemoteHostClosedError && resetByPeer_)
        error = QAbstractSocket::NetworkError;
    if (error == QAbstractSocket::RemoteHostClosedError) {
        state_ = sckClosing;
        Q_EMIT Closed();
        return;
    }
    state_ = sckError;
    Q_EMIT Error(errorNumberFor(error), socket_.errorString().toStdString());
}
