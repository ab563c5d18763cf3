// SPDX-License-Identifier: GPL-3.0-or-later
#include "FeedSession.h"

#include <QTcpSocket>
#include <algorithm>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace {

constexpr qint64 kMaxBacklog = 1 << 20; // bytes queued for a slow client before pausing
constexpr int kSegmentPauseMs = 20;     // between the segments of a split message

// Makes the coming close send a reset instead of an orderly shutdown.
void setLingerZero(qintptr descriptor) {
    linger value{};
    value.l_onoff = 1;
    value.l_linger = 0;
#ifdef Q_OS_WIN
    setsockopt(SOCKET(descriptor), SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&value),
               sizeof value);
#else
    setsockopt(int(descriptor), SOL_SOCKET, SO_LINGER, &value, sizeof value);
#endif
}

} // namespace

FeedSession::FeedSession(QTcpSocket* socket, FeedScript script, Options options, QObject* parent)
    : QObject(parent), m_socket(socket), m_script(std::move(script)), m_options(options) {
    m_socket->setParent(this);
    // Each write leaves at once as its own segment instead of waiting for the previous ACK.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &FeedSession::advance);
    m_dropTimer.setSingleShot(true);
    connect(&m_dropTimer, &QTimer::timeout, this, [this] { endConnection(m_options.dropByReset); });
    connect(m_socket, &QTcpSocket::readyRead, this, [this] { m_socket->readAll(); });
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        if (m_blocked && m_socket->bytesToWrite() <= kMaxBacklog) {
            m_blocked = false;
            advance();
        }
    });
    connect(m_socket, &QAbstractSocket::stateChanged, this,
            [this](QAbstractSocket::SocketState state) {
                if (state == QAbstractSocket::UnconnectedState)
                    finish();
            });
}

void FeedSession::start() {
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        finish();
        return;
    }
    if (m_options.dropAfterMs > 0)
        m_dropTimer.start(m_options.dropAfterMs);
    advance();
}

void FeedSession::advance() {
    using Step = FeedScript::Step;
    while (!m_ending && m_socket->state() == QAbstractSocket::ConnectedState) {
        if (!m_segments.isEmpty()) {
            m_socket->write(m_segments.takeFirst());
            m_socket->flush();
            if (!m_segments.isEmpty()) {
                m_timer.start(kSegmentPauseMs);
                return;
            }
            continue;
        }
        if (m_socket->bytesToWrite() > kMaxBacklog) {
            m_blocked = true; // resumed by bytesWritten
            return;
        }

        const bool atEnd = m_index >= m_script.size();
        const Step step = atEnd ? Step{Step::Close, 0, {}} : m_script.step(m_index);
        if ((atEnd || step.kind == Step::Close) && !m_joined.isEmpty()) {
            flushJoin(); // an unfinished join goes out before the end
            continue;
        }
        if (atEnd) {
            if (m_options.once)
                endConnection(false);
            return; // otherwise the connection stays open, idle
        }
        ++m_index;

        switch (step.kind) {
        case Step::Send:
            if (m_joinLeft > 0) {
                m_joined += step.payload;
                if (--m_joinLeft == 0)
                    flushJoin();
            } else {
                prepareWrite(step.payload);
            }
            break;
        case Step::Wait:
            m_timer.start(step.value);
            return;
        case Step::Split:
            m_splitNext = step.value;
            break;
        case Step::Join:
            m_joinLeft = step.value;
            break;
        case Step::Close:
            endConnection(false);
            return;
        case Step::Reset:
            endConnection(true);
            return;
        case Step::Repeat:
            if (m_options.once) {
                m_index = m_script.size();
                break;
            }
            m_index = 0;
            m_timer.start(0); // let the event loop breathe even when the script never waits
            return;
        }
    }
}

void FeedSession::prepareWrite(const QByteArray& data) {
    const qsizetype pieces = std::clamp<qsizetype>(m_splitNext, 1, qMax<qsizetype>(1, data.size()));
    m_splitNext = 0;
    for (qsizetype i = 0; i < pieces; ++i) {
        const qsizetype from = data.size() * i / pieces;
        const qsizetype to = data.size() * (i + 1) / pieces;
        m_segments.append(data.mid(from, to - from));
    }
}

void FeedSession::flushJoin() {
    prepareWrite(m_joined);
    m_joined.clear();
    m_joinLeft = 0;
}

void FeedSession::endConnection(bool reset) {
    m_ending = true;
    m_timer.stop();
    m_dropTimer.stop();
    if (m_socket->state() != QAbstractSocket::ConnectedState) {
        finish();
    } else if (reset) {
        setLingerZero(m_socket->socketDescriptor());
        m_socket->abort();
        finish(); // in case the socket did not report the state change
    } else {
        m_socket->disconnectFromHost(); // sends what is queued, then closes
    }
}

void FeedSession::finish() {
    if (m_finished)
        return;
    m_finished = true;
    m_timer.stop();
    m_dropTimer.stop();
    emit finished();
    deleteLater();
}
