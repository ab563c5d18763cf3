// SPDX-License-Identifier: GPL-3.0-or-later
// The link to the simulator over loopback TCP, against the demo feed. The link reaches its
// window through CaptionLink; a stand-in records what a real caption window would show.
#include "Wine.h"
#include "link/CaptionLink.h"
#include "link/SimulatorLink.h"
#include "platform/VbError.h"
#include "platform/VbTimer.h"
#include "platform/Winsock.h"
#include "startup/MainMod.h"

#include <QtTest>
#include <functional>
#include <memory>

using MainMod::Settings;

// The file's colours, and the normal colours a test switches the file to.
constexpr std::int32_t kBack = 0x402010, kText = 0x00FF00, kHBack = 0x000080, kHText = 0x00FFFF;
constexpr std::int32_t kBack2 = 0x303030, kText2 = 0xFFFFFF;

// A caption window without a window: what the link shows is recorded here.
struct Caption : CaptionLink {
    ::Winsock client;
    VbTimer display{60000, false}; // no clearing while a test runs
    QByteArray text, setupHost;
    std::int32_t back = -1, fore = -1;
    std::function<void()> setupDialog; // plays the user while the setup dialog is shown

    ::Winsock& Client() override { return client; }
    VbTimer& DisplayTimer() override { return display; }
    void SetCaptionText(const std::string& t) override { text = QByteArray::fromStdString(t); }
    void SetBackColor(std::int32_t colour) override { back = colour; }
    void SetCaptionForeColor(std::int32_t colour) override { fore = colour; }
    void ShowSetupDialog() override { setupDialog(); }
    void SetSetupHost(const std::string& h) override { setupHost = QByteArray::fromStdString(h); }
};

class TestLink : public QObject {
    Q_OBJECT

    struct Feed : QProcess {
        ~Feed() override { kill(), waitForFinished(); }
    };
    QTemporaryDir dir;
    std::unique_ptr<Feed> feed;
    Caption caption;
    VbTimer monitor{1000, false}; // the tests give the ticks
    SimulatorLink link{caption, monitor};
    QByteArrayList seen;                // now() right after each read was handled
    std::function<void(int)> afterRead; // runs after read n (from 0) was handled

    // The caption: its text, its colours (the file's first ones, the new normal ones a test
    // switches to, the highlight ones, or back/fore in hex) and whether the display timer runs.
    QByteArray now() const {
        const std::pair colours{caption.back, caption.fore};
        const QByteArray name =
            colours == std::pair{kBack, kText}     ? "file"
            : colours == std::pair{kBack2, kText2} ? "new"
            : colours == std::pair{kHBack, kHText}
                ? "high"
                : QByteArray::number(caption.back, 16) + "/" + QByteArray::number(caption.fore, 16);
        return caption.text.left(30) + "|" + name + "|" +
               (caption.display.IsTicking() ? "on" : "off");
    }
    static void put(const char* k, const std::string& v) { MainMod::WriteIniKey("Config", k, v); }
    void tick() { Q_EMIT monitor.Timer(); }

    // Starts the feed playing `script`, lets one tick connect, and waits for `reads` reads.
    bool play(const QByteArray& script, int reads, const QStringList& options = {}) {
        QFile file(dir.filePath("feed.txt"));
        if (!file.open(QIODevice::WriteOnly) || file.write(script) != script.size())
            return false;
        file.close();
        feed = std::make_unique<Feed>();
        feed->start(qEnvironmentVariable("WINGSCRIBE_FEED"),
                    QStringList{"--script", file.fileName(), "--port", "0"} + options);
        QByteArray out;
        while (!out.contains('\n') && feed->waitForReadyRead(5000))
            out += feed->readAllStandardOutput();
        if (!out.startsWith("listening on "))
            return false;
        Settings.KVEPort = out.mid(13).trimmed().toInt();
        tick();
        return QTest::qWaitFor([&] { return seen.size() >= reads; }, 10000);
    }

    // Whether a connection to the feed's port is refused, that is whether nothing listens
    // there any more; one that is taken yet is tried again once the dying peer has ended it.
    static bool portRefuses() {
        for (int attempt = 0; attempt < 10; ++attempt) {
            ::Winsock probe;
            QSignalSpy refused(&probe, &Winsock::Error), taken(&probe, &Winsock::Connected),
                ended(&probe, &Winsock::Closed);
            probe.SetRemoteHost(Settings.KVEServer), probe.SetRemotePort(Settings.KVEPort);
            probe.Connect();
            if (!QTest::qWaitFor([&] { return !refused.isEmpty() || !taken.isEmpty(); }, 5000))
                return false;
            if (!refused.isEmpty())
                return true;
            if (!QTest::qWaitFor([&] { return !ended.isEmpty() || !refused.isEmpty(); }, 5000))
                return false;
        }
        return false;
    }

private slots:
    void initTestCase() {
        QVERIFY2(QFile::exists(qEnvironmentVariable("WINGSCRIBE_FEED")), "no WINGSCRIBE_FEED");
        Settings.IniPath = dir.filePath("Wingscribe.ini").toStdString();
        put("HBackCol", std::to_string(kHBack));
        put("HTextCol", std::to_string(kHText));
        // After the link's own handler, as the caption window would be seen.
        connect(&caption.client, &Winsock::DataArrival, this, [this] {
            seen << now();
            if (afterRead)
                afterRead(int(seen.size()) - 1);
        });
    }

    void init() {
        put("BackCol", std::to_string(kBack));
        put("TextCol", std::to_string(kText));
        Settings.KVEServer = "127.0.0.1";
        Settings.AtcComs = Settings.OwnComs = Settings.ShowATIS = true;
        Settings.LastMsg = Settings.HighlightTX2U = false;
        caption.display.SetEnabled(false);
        seen.clear();
        afterRead = nullptr;
    }

    void cleanup() {
        caption.client.Close(); // first, so a feed still sending is not left blocked in a write
        feed.reset();
    }

    // One message after "5 before", the file's normal colours changed in between: shown as
    // received in the new normal or the highlight colours, or dropped, changing nothing. One to
    // the user that is kept stops the display timer, a blank one does only that. A colour that
    // cannot be read stops the message where it failed.
    void oneMessage_data() {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<QByteArray>("settings"); // A, O, S: AtcComs, OwnComs, ShowATIS off;
                                                  // H, K: HighlightTX2U, LastMsg on; G: green
        QTest::addColumn<QByteArray>("shown");
        const auto row = [](const char* message, const char* settings, const QByteArray& shown) {
            QTest::addRow("%s [%s]", message, settings)
                << QByteArray(message) << QByteArray(settings) << shown;
        };
        row("0 after", "A", "before|file|on");
        row("2 after", "O", "before|file|on");
        row("8 after", "S", "before|file|on");
        for (const char* message : {"0 after", "2 after", "8 after"})
            row(message, "", "after|new|on");
        for (const char* message : {"1 after", "3 after", "9 after"})
            row(message, "AOS", "after|new|on");
        row("1 after", "H", "after|high|on");
        row("1 after", "K", "after|new|off");
        row("1 \\x20\\x20", "H", "  |high|on");
        row("1 \\x20\\x20", "HK", "before|file|off");
        row("5 <b>bold</b> &amp; <br>", "", "<b>bold</b> &amp; <br>|new|on");
        row("5 a\\x00b\\xff\\r\\n\\tc\\x01", "", QByteArray("a\0b\xff\r\n\tc\x01|new|on", 16));
        row("big 5 10485760", "", "ABCDEFGHIJKLMNOPQRSTUVWXYZABCD|new|on");
        row("5 after", "G", "before|303030/ff00|on"); // the background was set before
    }

    void oneMessage() {
        QFETCH(QByteArray, message);
        QFETCH(QByteArray, settings);
        QFETCH(QByteArray, shown);
        Settings.AtcComs = !settings.contains('A');
        Settings.OwnComs = !settings.contains('O');
        Settings.ShowATIS = !settings.contains('S');
        Settings.HighlightTX2U = settings.contains('H');
        Settings.LastMsg = settings.contains('K');
        afterRead = [green = settings.contains('G')](int n) {
            if (n > 0)
                return;
            put("BackCol", std::to_string(kBack2));
            put("TextCol", green ? "green" : std::to_string(kText2));
        };
        QVERIFY(play("5 before\nwait 200\n" + message + "\n", 2));
        QCOMPARE(seen.mid(0, 2),
                 QByteArrayList({"before|file|on", shown})); // a huge one takes more reads
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
        for (QByteArray& s : seen)
            s = s.left(s.indexOf('|'));
        QCOMPARE(seen, QByteArrayList({"abc", "def", "ghi", "ghi", "mno2 pqr", "mno2 pqr"}));
    }

    // The peer closes right after its last message: the message, then "Lost Connection!" and
    // the timer off; a reset is an error and closes the client. The next tick connects again.
    // With nobody listening, each tick shows the waiting text, its full stops counting 1..10 and
    // again from 1, and tries anew by name; a Close, or its client's end, drops a lookup.
    void lostConnectionThenWaiting_data() {
        QTest::addColumn<QByteArray>("script");
        QTest::addRow("close") << QByteArray("5 hello\nclose\n");
        QTest::addRow("reset") << QByteArray("5 hello\nwait 100\nreset\n");
    }

    void lostConnectionThenWaiting() {
        QFETCH(QByteArray, script);
        const bool reset = script.contains("reset");
        if (reset)
            SKIP_UNDER_WINE("8 tells of a reset as of an orderly close (FD_CLOSE 0, recv 0)");
        Settings.KVEServer = "localhost";
        QSignalSpy errors(&caption.client, &Winsock::Error);
        QVERIFY(play(script, 1));
        QTRY_VERIFY_WITH_TIMEOUT(caption.text.startsWith("Lost") || !errors.isEmpty(), 5000);
        QCOMPARE(caption.text, reset ? "hello" : "Lost Connection!");
        QCOMPARE(errors.isEmpty() ? 0 : errors[0][0].toInt(), reset ? 10054 : 0);
        QVERIFY(seen[0] == "hello|file|on" && caption.display.IsTicking() == reset);
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
        feed.reset();
        QTRY_VERIFY_WITH_TIMEOUT(caption.client.State() != Winsock::sckConnected, 5000);
        QVERIFY(portRefuses()); // (under Wine a killed feed's socket outlives its process a little)
        auto dropped = std::make_unique<::Winsock>(), gone = std::make_unique<::Winsock>();
        for (::Winsock* client : {dropped.get(), gone.get()})
            client->SetRemoteHost("localhost"), client->Connect(); // port 0: refused
        dropped->Close(), gone.reset();
        QSignalSpy late(dropped.get(), &Winsock::Error), refused(&caption.client, &Winsock::Error);
        for (int i = 0, dots = 0; i < 11; ++i) {
            tick();
            const QByteArray text = caption.text, wait = "Waiting for connection";
            const int now = int(text.size() - wait.size());
            QVERIFY2(text == wait + QByteArray(now, '.') && (i ? now == dots % 10 + 1 : now > 0),
                     text);
            dots = now;
            QTRY_COMPARE_WITH_TIMEOUT(refused.size(), i + 1, 5000);
        }
        QCOMPARE(late.size(), 0); // its lookup was over long before the last of these
    }

    // One tick, one attempt, also against a peer that accepts and resets at once while the
    // program is slow (each tick returns only once the peer has reset): no more clients than ticks.
    void oneConnectionPerTick() {
        QVERIFY(play("reset\n", 0, {"--print-clients"}));
        QSignalSpy ticks(&monitor, &VbTimer::Timer);
        QObject slow; // after the link's handler
        connect(&monitor, &VbTimer::Timer, &slow, [this] { feed->waitForReadyRead(2000); });
        monitor.SetInterval(100);
        monitor.SetEnabled(true);
        QTRY_VERIFY_WITH_TIMEOUT(ticks.size() >= 10, 20000);
        monitor.SetEnabled(false);
        QByteArray out;
        const auto clients = [&] { return (out += feed->readAllStandardOutput()).count("client"); };
        QTRY_VERIFY_WITH_TIMEOUT(clients() > ticks.size() / 2, 5000);
        QCOMPARE_LE(clients(), ticks.size() + 1); // and play's own tick
    }

    // No server set: a tick asks for one in the setup dialog, waits, reads the server and port
    // again and puts the server into the dialog; the next tick, a full period after the dialog
    // closed, tries it. A tick while the dialog is open already (from the choice window) does not.
    void noServerAsksInSetupDialog() {
        put("KVEServer", "0.0.0.0");
        Settings.KVEServer = "";
        Settings.KVEPort = 1234;
        caption.setupDialog = [] { throw VbError(VbError::FormAlreadyShown, "already shown"); };
        caption.setupHost = caption.text = "as typed";
        const auto asked = [this] {
            return QString("%1|%2|%3|%4")
                .arg(Settings.KVEServer.c_str())
                .arg(Settings.KVEPort)
                .arg(caption.setupHost, caption.text.left(22));
        };
        tick();
        QCOMPARE(asked(), "|1234|as typed|as typed");
        QElapsedTimer clock;
        qint64 closed = -1, next = -1;
        caption.setupDialog = [&] { // the user confirms this PC after more than two periods
            QEventLoop open;
            QTimer blink; // its text cursor
            blink.start(50);
            QTimer::singleShot(500, &open, &QEventLoop::quit);
            open.exec();
            put("KVEServer", "127.0.0.1 / this PC");
            put("KVEPort", "1009");
            closed = clock.elapsed();
        };
        QObject test; // after the link's handler: the end of the dialog's tick, then the next
        int ticks = 0;
        connect(&monitor, &VbTimer::Timer, &test,
                [&] { next = ++ticks == 2 ? clock.elapsed() : next; });
        monitor.SetInterval(200);
        monitor.SetEnabled(true);
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(next >= 0, 10000);
        monitor.SetEnabled(false);
        QCOMPARE_GE(next - closed, 195);
        QCOMPARE(asked(), "127.0.0.1|1009|127.0.0.1|Waiting for connection");
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
