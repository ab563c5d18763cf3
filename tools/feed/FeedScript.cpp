// SPDX-License-Identifier: GPL-3.0-or-later
#include "FeedScript.h"

#include <QList>
#include <cmath>
#include <limits>

namespace {

// Invented traffic around an invented airport; the user flies "Skylark 482".
const char* const kDemo = R"(# Arrival into Hollow Ridge
8 Hollow Ridge information Delta, time 1420 zulu.\nRunway 27 left in use, expect ILS approach. Wind 250 degrees 12 knots, visibility 10 kilometres, few clouds 3000 feet, temperature 14, dewpoint 8, QNH 1017.\nAdvise on initial contact you have information Delta.
wait 3500
0 Northwind 215, Hollow Ridge Approach, descend flight level 90, turn left heading 210.
wait 2500
0 Descend flight level 90, left heading 210, Northwind 215.
wait 2000
2 Hollow Ridge Approach, Skylark 482, flight level 110, information Delta.
wait 2500
1 Skylark 482, Hollow Ridge Approach, radar contact. Descend and maintain 6000 feet, QNH 1017.
wait 3000
2 Descend 6000 feet, QNH 1017, Skylark 482.
wait 2000
0 Bluestar 77, contact Hollow Ridge Tower 118.7, good day.
wait 1500
0 Tower 118.7, Bluestar 77, good day.
wait 3000
0 Alpine 3021, climb flight level 240, proceed direct MIKOS.
wait 2000
0 Climb flight level 240, direct MIKOS, Alpine 3021.
wait 3000
1 Skylark 482, turn right heading 290, vectors for the ILS runway 27 left.
wait 2500
2 Right heading 290, vectors ILS 27 left, Skylark 482.
wait 4000
1 \x20\x20\x20
wait 3000
0 Northwind 215, reduce speed 180 knots, descend 4000 feet.
wait 2000
0 180 knots, descending 4000 feet, Northwind 215.
wait 3500
1 Skylark 482, 12 miles from touchdown, cleared ILS approach runway 27 left, contact Tower 118.7.
wait 2500
2 Cleared ILS 27 left, Tower 118.7, Skylark 482.
wait 4000
1 Skylark 482, Hollow Ridge Tower, wind 250 degrees 10 knots, runway 27 left cleared to land.
wait 2500
2 Cleared to land 27 left, Skylark 482.
wait 3000
1 \x20
wait 4000
repeat
)";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// A whole number in [minimum, maximum], or nothing.
std::optional<qint64> number(const QByteArray& word, qint64 minimum, qint64 maximum) {
    bool ok = false;
    const qint64 value = word.toLongLong(&ok);
    if (!ok || value < minimum || value > maximum)
        return std::nullopt;
    return value;
}

} // namespace

QByteArray FeedScript::unescape(const QByteArray& text) {
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c != '\\' || next == '\0') {
            out += c;
        } else if (next == 'n' || next == 'r' || next == 't' || next == '\\') {
            out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : '\\';
            ++i;
        } else if (next == 'x' && i + 3 < text.size() && hexValue(text[i + 2]) >= 0 &&
                   hexValue(text[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 2]) * 16 + hexValue(text[i + 3]));
            i += 3;
        } else {
            out += c; // not an escape: kept as written
        }
    }
    return out;
}

std::optional<FeedScript> FeedScript::parse(const QByteArray& text, double speed, QString* error) {
    FeedScript script;
    const QList<QByteArray> lines = text.split('\n');
    for (qsizetype n = 0; n < lines.size(); ++n) {
        QByteArray line = lines[n];
        if (line.endsWith('\r'))
            line.chop(1);
        const auto fail = [&](const char* why) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(QLatin1String(why));
            return std::nullopt;
        };

        if (!line.isEmpty() && isDigit(line[0])) { // a message, taken as written
            Step step;
            step.payload = line.left(2) + unescape(line.mid(2));
            script.m_steps.append(step);
            continue;
        }
        const QList<QByteArray> words = line.simplified().split(' ');
        const QByteArray& word = words[0];
        if (word.isEmpty() || word.startsWith('#'))
            continue;

        Step step;
        if (word == "wait" && words.size() == 2) {
            const auto ms = number(words[1], 0, std::numeric_limits<int>::max());
            if (!ms)
                return fail("wait needs milliseconds");
            step.kind = Step::Wait;
            const double scaled = std::round(double(*ms) / speed);
            step.value = scaled >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                                   : static_cast<int>(scaled);
        } else if ((word == "split" || word == "join") && words.size() == 2) {
            const auto count = number(words[1], 1, 1000000);
            if (!count)
                return fail("split and join need a count of at least 1");
            step.kind = word == "split" ? Step::Split : Step::Join;
            step.value = static_cast<int>(*count);
        } else if (word == "big" && words.size() == 3) {
            const auto bytes = number(words[2], 0, 256 * 1024 * 1024);
            if (words[1].size() != 1 || !isDigit(words[1][0]) || !bytes)
                return fail("big needs a type digit and a byte count");
            step.payload = words[1] + ' ';
            for (qint64 i = 0; i < *bytes; ++i)
                step.payload += static_cast<char>('A' + i % 26);
        } else if (word == "close" && words.size() == 1) {
            step.kind = Step::Close;
        } else if (word == "reset" && words.size() == 1) {
            step.kind = Step::Reset;
        } else if (word == "repeat" && words.size() == 1) {
            step.kind = Step::Repeat;
        } else {
            return fail("unknown directive");
        }
        script.m_steps.append(step);
    }
    return script;
}

FeedScript FeedScript::demo(double speed) {
    return parse(QByteArray(kDemo), speed, nullptr).value();
}

FeedScript FeedScript::counted(qint64 count, int intervalMs, const QByteArray& types) {
    FeedScript script;
    script.m_counted = true;
    script.m_count = count;
    script.m_intervalMs = intervalMs;
    script.m_types = types.isEmpty() ? QByteArray("0") : types;
    return script;
}

qint64 FeedScript::size() const {
    if (!m_counted)
        return m_steps.size();
    if (m_count <= 0)
        return std::numeric_limits<qint64>::max();
    return 2 * m_count - 1; // message, wait, message, ..., message
}

FeedScript::Step FeedScript::step(qint64 index) const {
    if (!m_counted)
        return m_steps.at(index);
    Step step;
    if (index % 2 == 1) {
        step.kind = Step::Wait;
        step.value = m_intervalMs;
        return step;
    }
    const qint64 k = index / 2; // messages are numbered from 1
    step.payload =
        m_types.at(k % m_types.size()) + QByteArray(" Message ") + QByteArray::number(k + 1);
    return step;
}
