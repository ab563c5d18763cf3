// SPDX-License-Identifier: GPL-3.0-or-later
// Conversions of settings text to numbers and Booleans, as hand-edited values reach them, and
// of 8-bit text to what the windows show.
#include "platform/Text8.h"
#include "platform/VbConvert.h"
#include "platform/VbError.h"

#include <QTest>

// The value, "overflow" or "mismatch", from the raising form; the optional form must fail
// exactly when the raising one does.
template <class Raise, class Optional>
static QString outcome(const QByteArray& text, Raise raise, Optional optional) {
    const std::string_view view(text.constData(), std::size_t(text.size()));
    try {
        const QString value = QString::number(raise(view));
        return optional(view) ? value : "only the raising form converts";
    } catch (const VbError& e) {
        return optional(view)                        ? "only the optional form converts"
               : e.Number() == VbError::Overflow     ? "overflow"
               : e.Number() == VbError::TypeMismatch ? "mismatch"
                                                     : "other error";
    }
}

class TestVbConvert : public QObject {
    Q_OBJECT

private slots:
    void conversions_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected"); // as Integer, as Long, as Boolean
        auto row = [](const char* text, const char* expected) {
            QTest::newRow(text) << QByteArray(text) << QString(expected);
        };
        row(" \t-7 \t", "-7 -7 1");
        row("+1e3", "1000 1000 1");
        row("2.5E-1", "0 0 1"); // a Boolean is taken before rounding
        row("5.", "5 5 1");
        row("2.5", "2 2 1"); // halves to even
        row("3.5", "4 4 1");
        row("-32768", "-32768 -32768 1");
        row("32767.5", "overflow 32768 1");
        row("2147483647.5", "overflow overflow 1");
        row("1e400", "overflow overflow 1");
        row("&hffff", "-1 65535 1");
        row("&HFFFFFFFF", "overflow -1 1");
        row("&H100000000", "overflow overflow overflow");
        row("&O177777", "-1 65535 1");
        row("0", "0 0 0");
        row(" TrUe\t", "mismatch mismatch 1");
        row("false", "mismatch mismatch 0");
        for (const char* text : {"&O8", "  ", "1 2", "1,5", "1e", ".", "inf", "yes", "truex"})
            row(text, "mismatch mismatch mismatch");
    }

    void conversions() {
        QFETCH(QByteArray, text);
        QTEST(outcome(text, CIntOrRaise, CInt) + ' ' + outcome(text, CLngOrRaise, CLng) + ' ' +
                  outcome(text, CBoolOrRaise, CBool),
              "expected");
    }

    // A simulator on a Western Windows PC sends Windows-1252: its quotes, dashes and the euro
    // sign show as themselves, one byte is one character, and every byte comes back as it was.
    void windowsText() {
        if (toQt("\x80") != QString(QChar(0x20AC)))
            QSKIP("the system's ANSI code page is not Windows-1252");
        std::string bytes;
        for (int byte = 1; byte < 256; ++byte)
            bytes += char(byte);
        const QString text = toQt(bytes);
        QCOMPARE(text.size(), qsizetype(bytes.size()));
        QCOMPARE(fromQt(text), bytes);
        QCOMPARE(toQt("\x93"
                      "Caf\xe9\x94 \x96 \x85\x81"),
                 QString::fromUtf16(u"\u201CCaf\u00E9\u201D \u2013 \u2026\u0081"));
        QCOMPARE(fromQt(QString::fromUtf16(u"\u4E2D\u20AC")), "?\x80");
    }
};

QTEST_GUILESS_MAIN(TestVbConvert)
#include "tst_vbconvert.moc"
