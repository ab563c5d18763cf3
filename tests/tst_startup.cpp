// SPDX-License-Identifier: GPL-3.0-or-later
// The start sequence against the settings files users leave behind.
#include "CaptionFixture.h"

#include <memory>

using MainMod::Settings;

// A file whose every applied value differs from the caption window's design.
static const QByteArray custom =
    QByteArray("[Config]|FirstRun=0|BackCol=1971210|TextCol=3302600|Font=Courier|FontSize=17"
               "|FontBold=0|FontItalic=1|Border=1|KVEServer=sim-pc / deck|KVEPort=1234|AtcComs=1"
               "|OwnComs=-1|MsgDelay=7 / seconds|LastMsg=True|HighlightTX2U=1|AlwaysOnTop=0"
               "|ShowATIS=1|")
        .replace('|', "\r\n");
// `custom` with the line of `key` given another value, or without it (null).
static QByteArray edited(const QByteArray& key, const char* value) {
    QByteArray bytes = custom;
    const qsizetype at = bytes.indexOf("\n" + key + "=") + 1, end = bytes.indexOf('\n', at) + 1;
    return bytes.replace(at, end - at, value ? key + "=" + value + "\r\n" : QByteArray());
}
static const QString customOutcome =
    "back=#0a141e|text=#c86432|font=Courier|size=17|bold=0|italic=1|period=7000|server=sim-pc"
    "|port=1234|delay=7|flags=11111|FirstRun=1|ShowATIS=1|shown=1";
// The design, where nothing could be read; the period follows the unread (zero) delay.
static const QString designOutcome = "back=#000000|text=#00ff00|font=Arial|size=12|bold=0"
                                     "|italic=0|period=0|server=|port=0|delay=0|flags=00000"
                                     "|FirstRun=1|ShowATIS=0|shown=1";
static QStringList changed(const QString& base, const QString& changes) {
    QStringList entries = base.split('|');
    for (const QString& change : changes.split('|', Qt::SkipEmptyParts))
        for (QString& entry : entries)
            if (entry.section('=', 0, 0) == change.section('=', 0, 0))
                entry = change;
    return entries;
}

class TestStartup : public QObject, CaptionFixture {
    Q_OBJECT

    QTemporaryDir layouts;
    std::unique_ptr<QTemporaryDir> dir;
    QStringList boxes; // their prompts

    bool start() {
        const bool running = MainMod::Main();
        if (frmMain::Exists()) // keeps the setup dialog from opening on the first tick
            frmMain::Get().timMonitorConnection.SetEnabled(false);
        return running;
    }
    static QStringList outcome() {
        frmMain& caption = frmMain::Get();
        const QFont font = caption.lblCaption->font();
        const auto n = [](auto v) { return QString::number(v); };
        return QString("back=%1|text=%2|font=%3|size=%4|bold=%5|italic=%6|period=%7|server=%8"
                       "|port=%9|delay=%10|flags=%11|FirstRun=%12|ShowATIS=%13|shown=%14")
            .arg(caption.palette().color(QPalette::Window).name(),
                 caption.lblCaption->palette().color(QPalette::WindowText).name(), font.family(),
                 n(font.pointSizeF()), n(font.bold()), n(font.italic()),
                 n(caption.timMsgDelay.Interval()), QString::fromStdString(Settings.KVEServer),
                 n(Settings.KVEPort), n(Settings.MsgDelay),
                 n(Settings.AtcComs) + n(Settings.OwnComs) + n(Settings.LastMsg) +
                     n(Settings.HighlightTX2U) + n(Settings.ShowATIS),
                 key("FirstRun"), key("ShowATIS"), n(caption.isVisible()))
            .split('|');
    }

private slots:
    void initTestCase() {
        ActiveResize::SetStoreFileForTesting(layouts.filePath("layouts.ini"));
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes << call.prompt.c_str();
            return int(MsgBox::vbOK);
        });
    }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        App::SetLocationForTesting(dir->path().toStdString(), "Wingscribe");
        Settings = {};
        boxes.clear();
    }

    void cleanup() {
        frmMain::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // What a start applies from the file, made when missing: a value that cannot be converted
    // is skipped, an overflow ends the applying there, and the window comes up all the same.
    void settingsApplied_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("expected");
        const auto row = [](const char* name, const QByteArray& content, const QString& base,
                            const char* changes) {
            QTest::newRow(name) << content << changed(base, changes);
        };
        row("no file: the defaults", {}, designOutcome,
            "server=0.0.0.0|port=1008|delay=30|period=30000|flags=11100");
        row("as written", custom, customOutcome, "");
        row("port abc", edited("KVEPort", "abc"), customOutcome, "port=0");
        row("no BackCol", edited("BackCol", nullptr), customOutcome, "back=#000000");
        row("bold word", edited("FontBold", "True"), customOutcome, "bold=1");
        row("empty flag", edited("LastMsg", ""), customOutcome, "flags=11011");
        row("inner blanks", edited("Font", "  Times New Roman "), customOutcome,
            "font=Times New Roman");
        row("no ShowATIS", edited("ShowATIS", nullptr), customOutcome, "flags=11110|ShowATIS=0");
        for (auto [key, value] : {std::pair{"KVEPort", "99999999999"},
                                  {"FontSize", "99999"},
                                  {"MsgDelay", "99999999"}}) // overflow: the applying stops
            QTest::newRow(key) << edited(key, value)
                               << QStringList{"server=sim-pc", "FirstRun=0", "shown=1"};
        row("no section", custom.mid(custom.indexOf('\n') + 1), designOutcome, "font="); // as is
    }

    void settingsApplied() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, expected);
        if (!content.isNull()) {
            QFile f(dir->filePath("Wingscribe.ini"));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
        }
        QVERIFY(start());
        const QStringList seen = outcome(); // holds every entry of `expected`
        for (const QString& entry : expected)
            QVERIFY2(seen.contains(entry), qPrintable(entry + " not in " + seen.join('|')));
        QVERIFY(boxes.isEmpty());
    }

    // The settings file is the one in the program's folder when a backslash is part of the
    // folder's name, not one in back/slash (the same folder on Windows, where it separates).
    void backslashInFolderName() {
        const QString folder = dir->filePath("back\\slash");
        for (const QString& path : {dir->filePath("back/slash"), folder}) { // the program's last
            QFile ini(path + "/Wingscribe.ini");
            QVERIFY(QDir().mkpath(path) && ini.open(QIODevice::WriteOnly) &&
                    ini.write("[Config]\r\nKVEServer=" + QFileInfo(path).fileName().toUtf8()) > 0);
        }
        App::SetLocationForTesting(QFile::encodeName(folder).toStdString(), "Wingscribe");
        QVERIFY(start());
        QCOMPARE(QString::fromStdString(Settings.KVEServer), QFileInfo(folder).fileName());
    }

    // A settings file that cannot be made ends the start with a message naming the folder.
    void unwritableFolder() {
        for (const bool fileInTheWay : {false, true}) {
            const QString folder = dir->filePath(fileInTheWay ? "file" : "missing");
            QVERIFY(!fileInTheWay || QFile(folder).open(QIODevice::WriteOnly));
            App::SetLocationForTesting(folder.toStdString(), "Wingscribe");
            boxes.clear();
            QVERIFY(!start());
            QVERIFY2(boxes.size() == 1 && boxes[0].contains(folder), qPrintable(boxes.join('|')));
            QVERIFY(!frmMain::Exists());
        }
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
