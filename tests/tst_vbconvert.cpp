// Conversions of settings text to numbers and Booleans, as hand-edited values reach them.
#include "platform/VbConvert.h"
#include "platform/VbError.h"

#include <QTest>

// The value as text, or "overflow" or "mismatch", from the raising form; the optional form
// must fail exactly when the raising one does.
template <class Raise, class Optional>
static QString outcome(const QByteArray& text, Raise raise, Optional optional) {
    const std::string_view view(text.constData(), std::size_t(text.size()));
    QString result;
    try {
        result = QString::number(raise(view));
    } catch (const VbError& e) {
        result = e.Number() == VbError::Overflow       ? "overflow"
                 : e.Number() == VbError::TypeMismatch ? "mismatch"
                                                       : "other error";
    }
    const bool converted = result.front().isDigit() || result.front() == '-';
    return optional(view).has_value() == converted ? result : "optional disagrees: " + result;
}

class TestVbConvert : public QObject {
    Q_OBJECT

private slots:
    void wholeNumbers_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("asInt");
        QTest::addColumn<QString>("asLong");
        auto row = [](const char* text, const char* asInt, const char* asLong) {
            QTest::newRow(text) << QByteArray(text) << QString(asInt) << QString(asLong);
        };
        row(" \t-7 \t", "-7", "-7");
        row("+1e3", "1000", "1000");
        row("2.5E-1", "0", "0");
        row("5.", "5", "5");
        row(".5", "0", "0");
        row("2.5", "2", "2");
        row("3.5", "4", "4");
        row("-2.5", "-2", "-2");
        row("-32768", "-32768", "-32768");
        row("32767.5", "overflow", "32768");
        row("-2147483648.5", "overflow", "-2147483648");
        row("2147483647.5", "overflow", "overflow");
        row("1e400", "overflow", "overflow");
        row("&hffff", "-1", "65535");
        row("&H10000", "overflow", "65536");
        row("&HFFFFFFFF", "overflow", "-1");
        row("&H100000000", "overflow", "overflow");
        row("&O177777", "-1", "65535");
        row("&O8", "mismatch", "mismatch");
        row("  ", "mismatch", "mismatch");
        row("12abc", "mismatch", "mismatch");
        row("1 2", "mismatch", "mismatch");
        row("1,5", "mismatch", "mismatch");
        row("1e", "mismatch", "mismatch");
        row(".", "mismatch", "mismatch");
        row("inf", "mismatch", "mismatch");
    }

    void wholeNumbers() {
        QFETCH(QByteArray, text);
        QFETCH(QString, asInt);
        QFETCH(QString, asLong);
        QCOMPARE(outcome(text, CIntOrRaise, CInt), asInt);
        QCOMPARE(outcome(text, CLngOrRaise, CLng), asLong);
    }

    void booleans_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("expected");
        auto row = [](const char* text, const char* expected) {
            QTest::newRow(text) << QByteArray(text) << QString(expected);
        };
        for (const char* text : {"-1", "2", "0.5", "1e400", " TrUe\t", "&HFFFFFFFF"})
            row(text, "1");
        for (const char* text : {"0", "0.0", "false"})
            row(text, "0");
        for (const char* text : {"yes", "truex", ""})
            row(text, "mismatch");
    }

    void booleans() {
        QFETCH(QByteArray, text);
        QFETCH(QString, expected);
        QCOMPARE(outcome(text, CBoolOrRaise, CBool), expected);
    }
};

QTEST_GUILESS_MAIN(TestVbConvert)
#include "tst_vbconvert.moc"
