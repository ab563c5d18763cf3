// SPDX-License-Identifier: GPL-3.0-or-later
// The INI file access as it meets settings files that users edit by hand.
#include "Wine.h"
#include "platform/profile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Kernel32;

static QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

static void writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

// Where Wine's profile functions answer otherwise.
static const char* const wineRewrites =
    "rewrites the whole file in its own layout: CR LF, no blank lines, no blanks around names";

class TestProfile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString ini() const { return dir.filePath("Wingscribe.ini"); }

    // The value as the program reads it, into a buffer of 255 bytes.
    QByteArray get(const char* key, const char* fallback = "fallback \t ") {
        QByteArray buffer(256, '#');
        const auto count = GetPrivateProfileStringA("Config", key, fallback, buffer.data(), 255,
                                                    QFile::encodeName(ini()));
        return buffer[qsizetype(count)] != '\0' ? "<no NUL>" : buffer.left(qsizetype(count));
    }

private slots:
    void init() { QFile::remove(ini()); }

    void reading_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char* name, QByteArray file, QByteArray expected) {
            QTest::newRow(name) << file << expected;
        };
        row("case, blanks", "[ config ]\r\n  fontsize \t=  1 / 2 ;3  \r\n", "1 / 2 ;3");
        row("double quotes", "[Config]\nFontSize=\" 12 \"\n", " 12 ");
        row("single quotes", "[Config]\nFontSize=' 12 '\n", " 12 ");
        row("unmatched quotes", "[Config]\nFontSize='12\"\n", "'12\"");
        row("comment", "[Config]\n ;FontSize=1\nFontSize\nFontSize=2\nFontSize=3\n", "2");
        row("first section only",
            "FontSize=1\n[Config]\nA=1\n[X]\nFontSize=2\n[config]\nFontSize=3", "fallback");
        row("no ] no header", "[Config]\nA=1\n[X\nFontSize=5\n", "5");
        row("name to the last ]", "[Config] x]\nFontSize=6\n[ Config ] x\nFontSize=7\n", "7");
        row("lone CRs", "[X]\rFontSize=0\r[Config]\rFontSize=4\r", "4");
        row("BOM", "\xEF\xBB\xBF[Config]\nFontSize=\xC3\xB1 \xE2\x82\xAC \xE9\n", "\xF1 \x80 ?");
        row("NULs", QByteArray("\0\xff[Config\n=\0\n[Config]\nFontSize=a\0b\r\n[", 37),
            QByteArray("a\0b", 3));
    }

    void reading() {
        QFETCH(QByteArray, file);
        if (QTest::currentDataTag() == QByteArray("comment"))
            SKIP_UNDER_WINE("takes a line without '=' for the key, with no value");
        if (QTest::currentDataTag() == QByteArray("NULs"))
            SKIP_UNDER_WINE("ends a value at a NUL byte");
        writeAll(ini(), file);
        QTEST(get("FontSize"), "expected");
    }

    void defaultsAndTruncation() {
        QCOMPARE(get("Font"), QByteArray("fallback")); // no file
        QCOMPARE(get("Font", " "), QByteArray());
        writeAll(ini(), "[Config]\r\nFont=" + QByteArray(300, 'v') + "\r\n");
        QCOMPARE(get("Font"), QByteArray(254, 'v'));
    }

    void writing_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QByteArray>("after");
        auto row = [](const char* name, QByteArray before, QByteArray after) {
            QTest::newRow(name) << before << after;
        };
        // Only the value changes: the key keeps its own spelling and blanks.
        row("in place", ";c\r\n[Config]\r\n a = 1\r\n\r\n font = 'x ;y'\r\nC=3",
            ";c\r\n[Config]\r\n a = 1\r\n\r\n font = v\x80\r\nC=3");
        row("end of section", "[Config]\na=1\n;z\n\n[X]\nb=2\n",
            "[Config]\na=1\n;z\nFont=v\x80\n\n[X]\nb=2\n");
        row("unterminated", "[Config]\r\na=1", "[Config]\r\na=1\r\nFont=v\x80\r\n");
        row("new section", "[X]\nb=2", "[X]\nb=2\n[Config]\nFont=v\x80\n");
        row("first section", "[Config]\na=1\n[X]\n[config]\nFont=0\n",
            "[Config]\na=1\nFont=v\x80\n[X]\n[config]\nFont=0\n");
        row("lone CRs", "[Config]\ra=1\r", "[Config]\ra=1\rFont=v\x80\r");
        row("new file", nullptr, "[Config]\r\nFont=v\x80\r\n");
        row("BOM", "\xEF\xBB\xBF[Config]\r\n", "\xEF\xBB\xBF[Config]\r\nFont=v\xE2\x82\xAC\r\n");
        row("BOM only", "\xEF\xBB\xBF", "\xEF\xBB\xBF[Config]\r\nFont=v\xE2\x82\xAC\r\n");
    }

    void writing() {
        QFETCH(QByteArray, before);
        if (!QByteArrayList{"unterminated", "new file", "BOM"}.contains(QTest::currentDataTag()))
            SKIP_UNDER_WINE(wineRewrites);
        if (!before.isNull())
            writeAll(ini(), before);
        QVERIFY(WritePrivateProfileStringA("Config", "Font", "v\x80", QFile::encodeName(ini())));
        QTEST(readAll(ini()), "after");
    }

    // Deleting a key takes its line away and no other, between a lone CR and an LF too.
    void deleting() {
        SKIP_UNDER_WINE(wineRewrites);
        writeAll(ini(), "[Config]\rFont=1\n\n[X]\r");
        QVERIFY(WritePrivateProfileStringA("Config", "Font", nullptr, QFile::encodeName(ini())));
        QCOMPARE(readAll(ini()), QByteArray("[Config]\n\n[X]\r"));
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
