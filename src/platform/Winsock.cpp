// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Winsock.h"

#include "platform/SocketPeek.h"
#include "platform/Text8.h"
#include "platform/VbError.h"

#include <QEvent>
#include <QSocketNotifier>

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
    connect(&socket_, &QTcpSocket::stateChanged, this, &Winsock::OnStateChanged);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &Winsock::OnSocketError);
    connect(&socket_, &QTcpSocket::readyRead, this,
            [this] { Q_EMIT DataArrival(socket_.bytesAvailable()); });
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
    state_ = sckConnecting;
    resetByPeer_ = false;
    socket_.connectToHost(toQt(remoteHost_), static_cast<quint16>(remotePort_));
}

void Winsock::Close() {
    state_ = sckClosed; // first, so the abort's own state change is not taken for news
    socket_.abort();
}

std::string Winsock::GetData() {
    if (state_ != sckConnected && state_ != sckClosing)
        throw VbError(VbError::WinsockWrongState,
                      "Wrong protocol or connection state for the requested transaction or "
                      "request");
    const QByteArray bytes = socket_.readAll();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void Winsock::OnStateChanged(QAbstractSocket::SocketState state) {
    if (state_ == sckClosed || state_ == sckClosing || state_ == sckError)
        return;
    switch (state) {
    case QAbstractSocket::HostLookupState:
        state_ = sckResolvingHost;
        break;
    case QAbstractSocket::ConnectingState:
        state_ = sckConnecting;
        break;
    case QAbstractSocket::ConnectedState:
        state_ = sckConnected;
        resetWatch_->Watch(socket_);
        Q_EMIT Connected();
        break;
    default:
        break;
    }
}

void Winsock::OnSocketError(QAbstractSocket::SocketError error) {
    if (state_ == sckClosed || state_ == sckClosing || state_ == sckError)
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
