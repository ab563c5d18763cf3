// The INI file access as it meets settings files that users edit by hand.
#include "Wine.h"
#include "platform/VbError.h"
#include "platform/profile.h"

#include <QFile>
#include <QHash>
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

// Where Wine's profile functions answer otherwise, by test row.
static const char* const wineRewrites =
    "rewrites the whole file in its own layout: CR LF, no blank lines, no blanks around names";
static const QHash<QByteArray, const char*> wineDiffers = {
    {"comment", "takes a line without '=' for the key, with no value"},
    {"section again", "reads only the first of two sections of one name"},
    {"NULs", "ends a value at a NUL byte"},
    {"in place, CR LF", wineRewrites},
    {"in place, LF", wineRewrites},
    {"end of section", wineRewrites},
    {"new section", wineRewrites},
    {"delete key", wineRewrites},
    {"delete section", wineRewrites},
    {"quoted value", wineRewrites},
    {"first section", wineRewrites},
    {"no ] no header", wineRewrites},
    {"lone CRs", wineRewrites},
};

class TestProfile : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString ini() const { return dir.filePath("Wingscribe.ini"); }

    QByteArray get(const char* key, const char* fallback = "fallback \t ", int size = 255) {
        QByteArray buffer(size + 1, '#');
        const auto count = GetPrivateProfileStringA("Config", key, fallback, buffer.data(), size,
                                                    QFile::encodeName(ini()));
        return size > 0 && buffer[qsizetype(count)] != '\0' ? "<no NUL>"
                                                            : buffer.left(qsizetype(count));
    }

    int put(const char* section, const char* key, const char* value) {
        return WritePrivateProfileStringA(section, key, value, QFile::encodeName(ini()));
    }

private slots:
    void init() { QFile::remove(ini()); }

    void reading_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("expected");
        auto row = [](const char* name, QByteArray file, QByteArray expected) {
            QTest::newRow(name) << file << expected;
        };
        row("case, blanks", "[ config ]\r\n  fontsize \t=  1 2  \r\n", "1 2");
        row("quoted", "[Config]\nFontSize=\" 12 \"\n", " 12 ");
        row("comment", "[Config]\n ;FontSize=1\nFontSize\nFontSize=2\n", "2");
        row("first wins", "[Config]\nFontSize=1\n[X]\nFontSize=0\n[CONFIG]\nFontSize=2", "1");
        row("only the first section", "[Config]\nA=1\n[X]\n[config]\nFontSize=3\n", "fallback");
        row("no ] no header", "[Config]\nA=1\n[X\nFontSize=5\n", "5");
        row("name to the last ]", "[Config] x]\nFontSize=6\n[ Config ] x\nFontSize=7\n", "7");
        row("single quotes", "[Config]\nFontSize=' 12 '\n", " 12 ");
        row("unmatched quotes", "[Config]\nFontSize='12\"\n", "'12\"");
        row("slash kept", "[Config]\r\nFontSize=1 / size\r\n", "1 / size");
        row("lone CRs", "[X]\rFontSize=0\r[Config]\rFontSize=4\r", "4");
        row("other section", "[X]\nFontSize=1\n", "fallback");
        row("before sections", "FontSize=1\n[Config]\n", "fallback");
        row("NULs", QByteArray("\0\xff[Config\n=\0\n[Config]\nFontSize=a\0b\r\n[", 37),
            QByteArray("a\0b", 3));
    }

    void reading() {
        QFETCH(QByteArray, file);
        QFETCH(QByteArray, expected);
        if (const char* reason = wineDiffers.value(QTest::currentDataTag()))
            SKIP_UNDER_WINE(reason);
        writeAll(ini(), file);
        QCOMPARE(get("FontSize"), expected);
    }

    void defaultsAndTruncation() {
        QCOMPARE(get("Font"), QByteArray("fallback")); // no file
        QCOMPARE(get("Font", " "), QByteArray());
        writeAll(ini(), "[Config]\r\nFont=" + QByteArray(300, 'v') + "\r\n");
        QCOMPARE(get("Font"), QByteArray(254, 'v'));
        QCOMPARE(get("Font", "", 1), QByteArray());
        QCOMPARE(get("Font", "", 0), QByteArray());
    }

    void largeBinaryFileKeptIntact() {
        SKIP_UNDER_WINE(wineDiffers.value("section again") + QByteArray(", and ") + wineRewrites);
        QByteArray junk(6 << 20, '\0');
        for (qsizetype i = 0; i < junk.size(); ++i)
            junk[i] = char(i * 7);
        writeAll(ini(), "[Config]\nFont=Arial\n" + junk);
        QCOMPARE(get("Font"), QByteArray("Arial"));
        QVERIFY(put("Config", "Font", "Tahoma"));
        QCOMPARE(readAll(ini()), "[Config]\nFont=Tahoma\n" + junk);
    }

    void writing_data() {
        QTest::addColumn<QByteArray>("before"); // null: no file
        QTest::addColumn<QByteArray>("key");    // null: delete the section
        QTest::addColumn<QByteArray>("value");  // null: delete the key
        QTest::addColumn<QByteArray>("after");
        auto row = [](const char* name, const char* before, const char* key, const char* value,
                      const char* after) {
            QTest::newRow(name) << QByteArray(before) << QByteArray(key) << QByteArray(value)
                                << QByteArray(after);
        };
        // Only the value changes: the key keeps its own spelling and blanks.
        row("in place, CR LF", ";c\r\n[Config]\r\n a = 1\r\n\r\n font = x ;y\r\nC=3", "Font", "1",
            ";c\r\n[Config]\r\n a = 1\r\n\r\n font = 1\r\nC=3");
        row("quoted value", "[Config]\nFONT='x'\n", "Font", "y", "[Config]\nFONT=y\n");
        row("in place, LF", "[config]\nFont=0\nC=3\n", "Font", "", "[config]\nFont=\nC=3\n");
        row("end of section", "[Config]\na=1\n;z\n\n[X]\nb=2\n", "Font", "v",
            "[Config]\na=1\n;z\nFont=v\n\n[X]\nb=2\n");
        row("unterminated", "[Config]\r\na=1", "Font", "v", "[Config]\r\na=1\r\nFont=v\r\n");
        row("new section", "[X]\nb=2", "Font", "v", "[X]\nb=2\n[Config]\nFont=v\n");
        row("first section", "[Config]\na=1\n[X]\n[config]\nFont=0\n", "Font", "v",
            "[Config]\na=1\nFont=v\n[X]\n[config]\nFont=0\n");
        row("no ] no header", "[Config]\na=1\n[X\nb=2\n", "Font", "v",
            "[Config]\na=1\n[X\nb=2\nFont=v\n");
        row("lone CRs", "[Config]\ra=1\r", "Font", "v", "[Config]\ra=1\rFont=v\r");
        row("new file", nullptr, "Font", "v", "[Config]\r\nFont=v\r\n");
        row("delete key", "[Config]\na=1\nfont=x\nc=3\n", "Font", nullptr, "[Config]\na=1\nc=3\n");
        row("delete section", "[A]\na=1\n[Config]\nb=2\n\n[C]\nc=3\n", nullptr, nullptr,
            "[A]\na=1\n[C]\nc=3\n");
    }

    void writing() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        if (const char* reason = wineDiffers.value(QTest::currentDataTag()))
            SKIP_UNDER_WINE(reason);
        if (!before.isNull())
            writeAll(ini(), before);
        QVERIFY(put("Config", key.isNull() ? nullptr : key.constData(),
                    value.isNull() ? nullptr : value.constData()));
        QTEST(readAll(ini()), "after");
    }

    void backslashPathsAndFileLen() {
        try {
            FileLen(QFile::encodeName(ini()));
            QFAIL("no error for a missing file");
        } catch (const VbError& e) {
            QCOMPARE(e.Number(), int(VbError::FileNotFound));
        }
        QVERIFY(put("Config", "Font", "Arial"));
        // "\tmp\dir\\Wingscribe.ini", or "C:\Temp\dir\\Wingscribe.ini" on Windows
        const QByteArray windows =
            QFile::encodeName(dir.path()).replace('/', '\\') + "\\\\Wingscribe.ini";
        QCOMPARE(FileLen(windows), long(readAll(ini()).size()));
        QVERIFY(WritePrivateProfileStringA("Config", "Font", "Tahoma", windows));
        QCOMPARE(get("Font"), QByteArray("Tahoma"));
    }

    void writeIntoMissingFolderFails() {
        QVERIFY(!WritePrivateProfileStringA("Config", "Font", "v",
                                            QFile::encodeName(dir.filePath("no/x.ini"))));
    }
};

QTEST_GUILESS_MAIN(TestProfile)
#include "tst_profile.moc"
