// SPDX-License-Identifier: GPL-3.0-or-later
// One TCP connection attempt on a socket of the system's own: exactly one connect() call.
// Its outcome is read from the system once the attempt is over, never by calling connect()
// again, which after a failure would start a new attempt of its own.
//
// Errors are Winsock error numbers (10061 refused, 10060 timed out, 10054 reset by the peer,
// ...) on every system.
#pragma once

#include <QObject>

class QHostAddress;

class ConnectAttempt : public QObject {
    Q_OBJECT
public:
    // Starts the attempt; its outcome comes as Finished, never before the constructor returns.
    ConnectAttempt(const QHostAddress& address, quint16 port, QObject* parent = nullptr);
    // Closes the socket unless it was released.
    ~ConnectAttempt() override;

    // The connected socket, once Finished(0) came.
    qintptr Descriptor() const { return descriptor_; }
    // Hands the socket over: it is no longer closed with the attempt.
    void Release() { descriptor_ = -1; }

Q_SIGNALS:
    // Once: 0 when the connection is made, else the error number.
    void Finished(int error);

private:
    void FinishLater(int error);

    qintptr descriptor_ = -1;
    QObject* watch_ = nullptr; // what tells that the attempt is over
    void* event_ = nullptr;    // where the system records it, where it needs one
};
