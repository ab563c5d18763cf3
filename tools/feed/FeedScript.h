// SPDX-License-Identifier: GPL-3.0-or-later
// The steps that the feed plays to each client: messages to send, pauses, and directives that
// change how the next message is written or end the connection.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>
#include <optional>

class FeedScript {
public:
    struct Step {
        enum Kind { Send, Wait, Split, Join, Close, Reset, Repeat };
        Kind kind = Send;
        int value = 0;      // Wait: milliseconds; Split: segments; Join: messages
        QByteArray payload; // Send: the raw bytes of one message
    };

    // Parses script text; waits are divided by speed. On failure, error names the line.
    static std::optional<FeedScript> parse(const QByteArray& text, double speed, QString* error);
    // The built-in demo traffic, looping forever.
    static FeedScript demo(double speed);
    // count numbered messages (0 means without end), intervalMs apart, the type digits taken
    // in turn from types.
    static FeedScript counted(qint64 count, int intervalMs, const QByteArray& types);

    // Number of steps; counted scripts without end report the largest qint64.
    qint64 size() const;
    Step step(qint64 index) const;

    // Turns "\n", "\r", "\t", "\\" and "\xHH" into the bytes they stand for.
    static QByteArray unescape(const QByteArray& text);

private:
    QVector<Step> m_steps;
    bool m_counted = false;
    qint64 m_count = 0;
    int m_intervalMs = 0;
    QByteArray m_types;
};
