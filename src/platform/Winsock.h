// SPDX-License-Identifier: GPL-3.0-or-later
// A TCP client with the classic Winsock control's members, states and events. It only
// connects and receives: it never listens and never sends.
//
// Connect makes one attempt to one address (a name's first IPv4 address, else its first):
// the socket is connected here, with one connect() call, and only a made connection is handed
// to QTcpSocket, whose own connecting would try again after a reset and walk a name's list of
// addresses.
//
// After the peer closes the connection (state Closing) or an error (state Error) the
// client stays in that state until Close is called; Connect refuses to start from any
// state but Closed.
#pragma once

#include <QObject>
#include <QTcpSocket>
#include <cstdint>
#include <string>

class ConnectAttempt;
class QHostAddress;
class QHostInfo;

class Winsock : public QObject {
    Q_OBJECT
public:
    enum StateValue : int {
        sckClosed = 0,
        sckOpen = 1,
        sckListening = 2,
        sckConnectionPending = 3,
        sckResolvingHost = 4,
        sckHostResolved = 5,
        sckConnecting = 6,
        sckConnected = 7,
        sckClosing = 8,
        sckError = 9,
    };

    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    int State() const { return state_; }

    std::string RemoteHost() const { return remoteHost_; }
    void SetRemoteHost(const std::string& host) { remoteHost_ = host; }
    std::int32_t RemotePort() const { return remotePort_; }
    // Throws VbError(InvalidPropertyValue) for a port outside 0..65535.
    void SetRemotePort(std::int32_t port);

    // Starts an attempt to RemoteHost:RemotePort; the outcome arrives as Connect or Error.
    // Throws VbError(WinsockNotAllowed) unless the client is closed.
    void Connect();
    // Drops the connection or attempt, discarding unread data.
    void Close();
    // All received bytes not yet read, one byte per character.
    // Throws VbError(WinsockWrongState) when the client has no connection to read from.
    std::string GetData();

Q_SIGNALS:
    void Error(int number, const std::string& description);
    void DataArrival(std::int64_t bytesTotal);
    void Connected(); // the Connect event
    void ConnectionRequest(std::int32_t requestId);
    void Closed(); // the Close event: the peer closed the connection
    void SendProgress(std::int32_t bytesSent, std::int32_t bytesRemaining);
    void SendComplete();

private:
    void OnHostFound(const QHostInfo& info);
    void StartAttempt(const QHostAddress& address);
    void OnAttemptDone(int error);
    void Fail(int number);
    void DropAttempt();
    void OnSocketError(QAbstractSocket::SocketError error);

    class ResetWatch;
    QTcpSocket socket_;    // the connection once made
    quint64 attempts_ = 0; // counts Connect and Close calls: a late lookup is dropped
    int lookupId_ = -1;
    ConnectAttempt* attempt_ = nullptr; // the one under way
    ResetWatch* resetWatch_;
    bool resetByPeer_ = false;
    std::string remoteHost_;
    std::int32_t remotePort_ = 0;
    int state_ = sckClosed;
};
