// SPDX-License-Identifier: GPL-3.0-or-later
// Accepts clients and gives each its own session playing the script from the start.
#pragma once

#include "FeedScript.h"
#include "FeedSession.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class FeedServer : public QObject {
    Q_OBJECT
public:
    // options.dropByReset is ignored: drops alternate between close and reset, client by client.
    FeedServer(FeedScript script, FeedSession::Options options, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const { return m_server.serverPort(); }
    QString errorString() const { return m_server.errorString(); }
    QAbstractSocket::SocketError serverError() const { return m_server.serverError(); }

signals:
    // Client `number` (from 1) has connected, and its script has started: a script that
    // begins with a reset has already sent it.
    void accepted(qint64 number);
    // The last connected client's connection is over.
    void allClientsDone();

private:
    void acceptPending();

    QTcpServer m_server;
    FeedScript m_script;
    FeedSession::Options m_options;
    int m_active = 0;
    qint64 m_accepted = 0;
};
