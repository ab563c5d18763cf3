// SPDX-License-Identifier: GPL-3.0-or-later
// A TCP client with the classic Winsock control's members, states and events. It only
// connects and receives: it never listens and never sends.
//
// Connect makes one attempt to one address (a name's first IPv4 address, else its first),
// with one connect() call. A host name is looked up off the GUI thread; an address text needs
// no lookup.
//
// After the peer closes the connection (state Closing) or an error (state Error) the
// client stays in that state until Close is called; Connect refuses to start from any
// state but Closed.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <string>

class HostLookup;
class TcpConnection;
struct IpAddress;
namespace HostName {
struct Found;
}

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
    void OnHostFound(const HostName::Found& found);
    void StartAttempt(const IpAddress& address);
    void OnConnected();
    void OnReceived(const std::string& bytes);
    void OnEnded(int error);
    void Fail(int number);
    void DropAttempt();

    std::unique_ptr<HostLookup> lookup_;  // the one under way
    TcpConnection* connection_ = nullptr; // the attempt under way, or the connection
    std::string received_;                // not read yet
    std::string remoteHost_;
    std::int32_t remotePort_ = 0;
    int state_ = sckClosed;
};
