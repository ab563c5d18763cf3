// SPDX-License-Identifier: GPL-3.0-or-later
#include "FeedServer.h"

#include <QTcpSocket>

FeedServer::FeedServer(FeedScript script, FeedSession::Options options, QObject* parent)
    : QObject(parent), m_script(std::move(script)), m_options(options) {
    connect(&m_server, &QTcpServer::newConnection, this, &FeedServer::acceptPending);
}

bool FeedServer::listen(const QHostAddress& address, quint16 port) {
    return m_server.listen(address, port);
}

void FeedServer::acceptPending() {
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        FeedSession::Options options = m_options;
        options.dropByReset = m_accepted++ % 2 == 1;
        auto* session = new FeedSession(socket, m_script, options, this);
        ++m_active;
        connect(session, &FeedSession::finished, this, [this] {
            if (--m_active == 0)
                emit allClientsDone();
        });
        session->start();
        emit accepted(m_accepted);
    }
}
