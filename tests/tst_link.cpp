// The link to the simulator over loopback TCP, against the demo feed. The link reaches its
// window through CaptionLink; a stand-in records what a real caption window would show.
#include "Wine.h"
#include "link/CaptionLink.h"
#include "link/SimulatorLink.h"
#include "platform/VbColour.h"
#include "platform/VbError.h"
#include "platform/VbTimer.h"
#include "platform/Winsock.h"
#include "startup/MainMod.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

using MainMod::Settings;
using MainMod::SettingsRecord;

// The file's colours, and the normal colours a test switches the file to.
constexpr std::int32_t kBack = 0x402010, kText = 0x00FF00, kHBack = 0x000080, kHText = 0x00FFFF;
constexpr std::int32_t kBack2 = 0x303030, kText2 = 0xFFFFFF;

// A caption window without a window: what the link shows is recorded here.
struct Caption : CaptionLink {
    ::Winsock client;
    VbTimer display{5000, false};
    QByteArray text;
    std::int32_t back = -1, fore = -1;
    std::function<void()> setupDialog; // plays the user while the setup dialog is shown
    QByteArray setupHost;

    ::Winsock& Client() override { return client; }
    VbTimer& DisplayTimer() override { return display; }
    void SetCaptionText(const std::string& t) override { text = QByteArray::fromStdString(t); }
    void SetBackColor(std::int32_t colour) override { back = colour; }
    void SetCaptionForeColor(std::int32_t colour) override { fore = colour; }
    void ShowSetupDialog() override { setupDialog(); }
    void SetSetupHost(const std::string& host) override {
        setupHost = QByteArray::fromStdString(host);
    }
};

class TestLink : public QObject {
    Q_OBJECT

    struct Seen { // the caption right after one read was handled
        QByteArray text;
        std::int32_t back, fore;
        bool ticking;
    };
    struct Feed : QProcess {
        ~Feed() override { kill(), waitForFinished(); }
    };
    QTemporaryDir dir;
    std::unique_ptr<Feed> feed;
    quint16 feedPort = 0;
    Caption caption;
    VbTimer monitor{1000, false}; // the tests give the ticks
    SimulatorLink link{caption, monitor};
    QList<Seen> seen;
    std::function<void(int)> afterRead; // runs after read n (from 0) was handled

    int state() { return caption.client.State(); }
    void tick() { Q_EMIT monitor.Timer(); }
    static QByteArray server() { return QByteArray::fromStdString(Settings.KVEServer); }
    static void put(const char* k, const std::string& v) { MainMod::WriteIniKey("Config", k, v); }
    static void setNormalColours(std::int32_t back, std::int32_t text) {
        put("BackCol", std::to_string(back));
        put("TextCol", std::to_string(text));
    }
    // The full stops after the waiting text, or -1 when the caption shows something else.
    int dots() {
        const QByteArray prefix = "Waiting for connection", rest = caption.text.mid(prefix.size());
        return caption.text.startsWith(prefix) && rest.count('.') == rest.size() ? int(rest.size())
                                                                                 : -1;
    }
    static QString feedPath() {
        return qEnvironmentVariable(
            "WINGSCRIBE_FEED",
            QStandardPaths::findExecutable("wingscribe-feed",
                                           {QCoreApplication::applicationDirPath() + "/../tools"}));
    }

    // Starts the feed playing `script` to every client, on `port` (0: a free one).
    bool startFeed(const QByteArray& script, quint16 port = 0) {
        QFile file(dir.filePath("feed.txt"));
        if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
            return false;
        file.close();
        feed = std::make_unique<Feed>();
        feed->start(feedPath(), {"--script", file.fileName(), "--port", QString::number(port)});
        QByteArray out;
        while (!out.contains('\n') && feed->waitForReadyRead(5000))
            out += feed->readAllStandardOutput();
        feedPort = out.startsWith("listening on ") ? out.mid(13).trimmed().toUShort() : 0;
        return feedPort != 0;
    }

    // Points the settings at the feed, lets one tick connect, and waits for `reads` reads.
    bool play(const QByteArray& script, int reads) {
        if (!startFeed(script))
            return false;
        Settings.KVEServer = "127.0.0.1";
        Settings.KVEPort = feedPort;
        tick();
        return QTest::qWaitFor([&] { return seen.size() >= reads; }, 10000);
    }

    // "5 before", then `second`; the file's normal colours change in between.
    bool playAfterFirst(const QByteArray& second) {
        afterRead = [](int n) {
            if (n == 0)
                setNormalColours(kBack2, kText2);
        };
        return play("5 before\nwait 200\n" + second + "\n", 2);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY2(QFile::exists(feedPath()), qPrintable(feedPath()));
        Settings.IniPath = dir.filePath("Wingscribe.ini").toStdString();
        // After the link's own handler, as the caption window would be seen.
        connect(&caption.client, &Winsock::DataArrival, this, [this] {
            seen.append(
                {caption.text.left(4096), caption.back, caption.fore, caption.display.IsTicking()});
            if (afterRead)
                afterRead(int(seen.size()) - 1);
        });
    }

    void init() {
        QFile file(QString::fromStdString(Settings.IniPath));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QString::asprintf("[Config]\nBackCol=%d\nTextCol=%d\nHBackCol=%d\nHTextCol=%d\n"
                                     "KVEServer=127.0.0.1\nKVEPort=1008\n",
                                     kBack, kText, kHBack, kHText)
                       .toLatin1());
        file.close();
        Settings.KVEServer = "127.0.0.1";
        Settings.AtcComs = Settings.OwnComs = Settings.ShowATIS = true;
        Settings.LastMsg = Settings.HighlightTX2U = false;
        caption.display.SetEnabled(false);
        caption.display.SetInterval(60000); // no clearing unless a test asks for it
        caption.back = kBack;
        caption.fore = kText;
        seen.clear();
        afterRead = nullptr;
    }

    void cleanup() {
        feed.reset();
        caption.client.Close();
    }

    // A dropped message changes nothing: text, colours and a running display timer stay.
    void filtersByType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("flag"); // index into the flags below; -1: all of them
        QTest::addColumn<bool>("on");
        for (auto [type, flag] : {std::pair{0, 0}, {2, 1}, {8, 2}})
            for (const bool on : {false, true})
                QTest::addRow("type %d, its flag %s", type, on ? "on" : "off")
                    << type << flag << on;
        for (const int type : {1, 3, 9})
            QTest::addRow("type %d, all off", type) << type << -1 << false;
    }

    void filtersByType() {
        QFETCH(int, type);
        QFETCH(int, flag);
        QFETCH(bool, on);
        bool SettingsRecord::*const flags[] = {&SettingsRecord::AtcComs, &SettingsRecord::OwnComs,
                                               &SettingsRecord::ShowATIS};
        for (int i = 0; i < 3; ++i)
            if (flag == -1 || flag == i)
                Settings.*flags[i] = on;
        QVERIFY(playAfterFirst(QByteArray::number(type) + " after"));
        const bool shown = flag == -1 || on;
        QCOMPARE(seen[1].text, shown ? "after" : "before");
        QCOMPARE(seen[1].back, shown ? kBack2 : kBack);
        QCOMPARE(seen[1].fore, shown ? kText2 : kText);
        QVERIFY(seen[0].ticking && seen[1].ticking);
    }

    // ATC to the user: highlight colours, kept on screen, and the blank message.
    void messagesToUser_data() {
        QTest::addColumn<bool>("highlight");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QByteArray>("text");
        for (const QByteArray text : {"turn left", "   "})
            for (const bool highlight : {true, false})
                for (const bool keep : {true, false})
                    QTest::addRow("%s%d%d", text.data(), highlight, keep)
                        << highlight << keep << text;
    }

    void messagesToUser() {
        QFETCH(bool, highlight);
        QFETCH(bool, keep);
        QFETCH(QByteArray, text);
        Settings.HighlightTX2U = highlight;
        Settings.LastMsg = keep;
        QVERIFY(playAfterFirst("1 " + QByteArray(text).replace(' ', "\\x20"))); // keeps blanks
        const bool ignored = keep && text.trimmed().isEmpty(); // only stops the running timer
        QCOMPARE(seen[1].text, ignored ? "before" : text);
        QCOMPARE(seen[1].back, ignored ? kBack : highlight ? kHBack : kBack2);
        QCOMPARE(seen[1].fore, ignored ? kText : highlight ? kHText : kText2);
        QCOMPARE(seen[1].ticking, !keep);
    }

    // The display timer clears the text once and restores the colours the file holds then.
    void displayTimerClears() {
        Settings.HighlightTX2U = true;
        caption.display.SetInterval(300);
        QSignalSpy ticks(&caption.display, &VbTimer::Timer);
        afterRead = [](int) { setNormalColours(kBack2, kText2); };
        QVERIFY(play("1 cleared soon\n", 1));
        QTRY_COMPARE_WITH_TIMEOUT(ticks.size(), 1, 5000);
        QCOMPARE(caption.text, "");
        QCOMPARE(caption.back, kBack2);
        QCOMPARE(caption.fore, kText2);
        QVERIFY(!caption.display.IsTicking());
    }

    // Bytes are shown as received (markup literal, NULs and 8-bit kept); a huge one does no harm.
    void textShownAsReceived() {
        QVERIFY(play("5 <b>bold</b> &amp; <br>\nwait 200\n5 a\\x00b\\xff\\r\\n\\tc\\x01\n"
                     "wait 200\nbig 5 10485760\nwait 500\n9 after\n",
                     3));
        QCOMPARE(seen[0].text, "<b>bold</b> &amp; <br>");
        QCOMPARE(seen[1].text, QByteArray("a\0b\xff\r\n\tc\x01", 9));
        QVERIFY(seen[2].text.startsWith("ABCDEFGHIJKLMNOPQRSTUVWXYZABC"));
        QTRY_COMPARE_WITH_TIMEOUT(caption.text, "after", 30000);
    }

    // Every read is one message: pieces are messages of their own, joined ones are not split.
    void eachReadIsOneMessage() {
        afterRead = [](int n) {
            if (n == 4)
                Settings.AtcComs = false;
        };
        QVERIFY(play("split 2\n5 abc7 def\nwait 200\nsplit 2\n5 ghiX jkl\nwait 200\n"
                     "join 2\n0 mno\n2 pqr\nwait 200\njoin 2\n0 stu\n2 vwx\n",
                     1));
        if (!QTest::qWaitFor([&] { return seen.size() >= 6; }, 5000))
            QSKIP("the system merged segments that the feed sent 20 ms apart");
        QStringList texts;
        for (const Seen& s : seen)
            texts << QString::fromLatin1(s.text);
        QCOMPARE(texts, QStringList({"abc", "def", "ghi", "ghi", "mno2 pqr", "mno2 pqr"}));
    }

    // A colour that cannot be read stops that message where it failed; the next one works.
    void unreadableColourStopsOneMessage() {
        setNormalColours(kBack2, kText);
        put("TextCol", "green");
        afterRead = [](int n) {
            if (n == 0)
                put("TextCol", std::to_string(kText2));
        };
        QVERIFY(play("5 first\nwait 200\n5 second\n", 2));
        QVERIFY(seen[0].text.startsWith("Waiting for connection") && !seen[0].ticking);
        QCOMPARE(seen[0].back, kBack2); // set before the failure
        QCOMPARE(seen[0].fore, kText);
        QVERIFY(seen[1].text == "second" && seen[1].ticking);
        QCOMPARE(seen[1].fore, kText2);
    }

    // The peer closes: "Lost Connection!" and the timer off; the next tick closes the client
    // and connects again, and a restarted feed is found again.
    void peerCloseAndRestartedFeed() {
        QVERIFY(play("5 hello\nwait 100\nclose\n", 1));
        QTRY_COMPARE_WITH_TIMEOUT(caption.text, "Lost Connection!", 5000);
        QVERIFY(seen[0].ticking && !caption.display.IsTicking());
        QCOMPARE(state(), int(Winsock::sckClosing)); // Connect refused (40020) until closed
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
        QCOMPARE(seen[1].text, "hello");
        const quint16 port = feedPort;
        feed.reset();
        QTRY_COMPARE_WITH_TIMEOUT(caption.text, "Lost Connection!", 5000);
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(state(), int(Winsock::sckClosed), 5000); // refused
        QVERIFY(startFeed("5 hello again\n", port));
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(caption.text, "hello again", 5000);
    }

    // A reset is an error: the client is closed, the message and its timer stay.
    void peerResetThenReconnect() {
        QSignalSpy errors(&caption.client, &Winsock::Error);
        QVERIFY(play("5 hello\nwait 100\nreset\n", 1));
        QTRY_VERIFY_WITH_TIMEOUT(state() != Winsock::sckConnected, 5000);
        SKIP_UNDER_WINE("reports a connection reset by the peer as an orderly close");
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0][0].toInt(), 10054);
        QCOMPARE(state(), int(Winsock::sckClosed));
        QCOMPARE(caption.text, "hello");
        QVERIFY(caption.display.IsTicking());
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
    }

    // Nobody listens or the host is unknown: a new attempt every tick, full stops 1..10, 1.
    void unreachableKeepsCounting() {
        QTcpServer closed; // a port nobody listens on once it is closed
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        Settings.KVEPort = closed.serverPort();
        closed.close();
        QSignalSpy errors(&caption.client, &Winsock::Error);
        tick();
        int previous = dots();
        QVERIFY(previous >= 1 && previous <= 10);
        for (int i = 0; i < 11; ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(errors.size(), i + 1, 5000);
            QCOMPARE(state(), int(Winsock::sckClosed));
            tick();
            QCOMPARE(dots(), previous % 10 + 1);
            previous = dots();
        }
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 12, 5000);
        Settings.KVEServer = "nonexistent.invalid";
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 13, 15000);
        QCOMPARE(state(), int(Winsock::sckClosed));
    }

    // No server set: each tick asks for one in the setup dialog, then re-reads the server and
    // the port; the next tick connects. A port that cannot be read leaves the old one.
    void noServerAsksInSetupDialog() {
        QVERIFY(startFeed("5 connected\n"));
        put("KVEServer", "0.0.0.0");
        Settings.KVEServer = "";
        Settings.KVEPort = 1234;
        int shown = 0;
        caption.setupDialog = [&] { // the user cancels, then confirms on the next tick
            if (++shown == 2)
                put("KVEServer", "127.0.0.1 / this PC");
            put("KVEPort", shown == 2 ? std::to_string(feedPort) : "ten-oh-eight");
        };
        tick();
        QCOMPARE(server(), "0.0.0.0");
        QCOMPARE(Settings.KVEPort, 1234);
        QCOMPARE(caption.setupHost, ""); // the tick ended at the port
        tick();
        QCOMPARE(server() + "|" + caption.setupHost, "127.0.0.1|127.0.0.1");
        QCOMPARE(Settings.KVEPort, feedPort);
        tick();
        QCOMPARE(shown, 2);
        QTRY_COMPARE_WITH_TIMEOUT(caption.text, "connected", 5000);
    }

    // A setup dialog that is already open (from the choice window) cannot be shown again:
    // that tick ends without touching the settings or the dialog's text box.
    void setupDialogAlreadyOpen() {
        Settings.KVEServer = "0.0.0.0";
        put("KVEServer", "typed-elsewhere");
        caption.setupHost = "as typed";
        caption.setupDialog = [] { throw VbError(VbError::FormAlreadyShown, "already shown"); };
        tick();
        QCOMPARE(server(), "0.0.0.0");
        QCOMPARE(caption.setupHost, "as typed");
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
