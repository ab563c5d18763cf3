// SPDX-License-Identifier: GPL-3.0-or-later
// One TCP connection on a socket of the system's own, from its one connection attempt to its
// end. The attempt is exactly one connect() call: its outcome is read from the system once it
// is over, never by calling connect() again, which after a failure would start a new attempt.
// Once connected, whatever arrives is read with the system's own recv and handed on, until the
// peer closes the connection or it fails.
//
// Errors are Winsock error numbers (10061 refused, 10060 timed out, 10054 reset by the peer,
// ...) on every system.
#pragma once

#include "platform/IpAddress.h"

#include <QObject>
#include <cstdint>
#include <string>

class TcpConnection : public QObject {
    Q_OBJECT
public:
    // Starts the attempt; its outcome comes as Connected or Ended, never before the
    // constructor returns.
    TcpConnection(const IpAddress& address, std::uint16_t port, QObject* parent = nullptr);
    // Shuts the connection.
    ~TcpConnection() override;

    // Stops watching and closes the socket at once; no signal comes after it. Safe to call
    // from a handler of this connection's own signals, and more than once.
    void Shut();

Q_SIGNALS:
    // The attempt made the connection.
    void Connected();
    // Bytes that arrived, in order; each look at the socket hands on all it found.
    void Received(const std::string& bytes);
    // Once, last: the attempt failed (error), or the connection ended: 0 when the peer closed
    // it in order, after all the bytes it sent, else the error number.
    void Ended(int error);

private:
    static constexpr int kOpen = -1; // no end yet

    void OnConnectDone(); // the attempt is over, where the system tells that apart
    void OnReady();
    int ReadWaiting(std::string& bytes);
    void Deliver(const std::string& bytes, int end);
    void EndLater(int error);
    void StopWatching();

    qintptr descriptor_ = -1;
    QObject* watch_ = nullptr; // what tells that something happened on the socket
    void* event_ = nullptr;    // where the system records it, where it needs one
    bool connected_ = false;
    bool quiet_ = false; // shut, or its end reported: no signal comes any more
};
