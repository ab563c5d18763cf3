// SPDX-License-Identifier: GPL-3.0-or-later
// One client connection: plays the script to it from the start, and deletes itself (with its
// socket) once the connection is gone.
#pragma once

#include "FeedScript.h"

#include <QList>
#include <QObject>
#include <QTimer>

class QTcpSocket;

class FeedSession : public QObject {
    Q_OBJECT
public:
    struct Options {
        bool once = false;        // close the connection when the script ends; ignore repeat
        int dropAfterMs = 0;      // end the connection after this long (0: never)
        bool dropByReset = false; // how that drop ends it: reset instead of orderly close
    };

    // Takes ownership of the connected socket.
    FeedSession(QTcpSocket* socket, FeedScript script, Options options, QObject* parent = nullptr);

    void start();

signals:
    // Emitted once, when the connection is over; the session then deletes itself.
    void finished();

private:
    void advance();
    void prepareWrite(const QByteArray& data);
    void flushJoin();
    void endConnection(bool reset);
    void finish();

    QTcpSocket* m_socket;
    FeedScript m_script;
    Options m_options;
    QTimer m_timer; // the next step: after a wait, or the next segment of a split message
    QTimer m_dropTimer;
    qint64 m_index = 0;
    int m_splitNext = 0; // segments for the next write (0: one)
    int m_joinLeft = 0;  // messages still to collect into one write
    QByteArray m_joined;
    QList<QByteArray> m_segments; // what is left of the write being split
    bool m_blocked = false;       // waiting for the client to take data before going on
    bool m_ending = false;
    bool m_finished = false;
};
