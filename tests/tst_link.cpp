// The link to the simulator over real loopback TCP, against the demo feed: what each message
// does to the caption, the display timer, reconnection, and the setup dialog on a first run.
#include "platform/MsgBox.h"
#include "platform/Twips.h"
#include "platform/VbColour.h"
#include "platform/VbError.h"
#include "platform/Winsock.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"
#include "ui/frmSetup.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using MainMod::Settings;
using MainMod::SettingsRecord;

namespace {

// The settings file's colours, and the normal colours a test switches the file to.
constexpr std::int32_t kBack = 0x402010, kText = 0x00FF00, kHBack = 0x000080, kHText = 0x00FFFF;
constexpr std::int32_t kBack2 = 0x303030, kText2 = 0xFFFFFF;

QByteArray defaultIni() {
    const auto n = [](std::int32_t value) { return QString::number(value); };
    return QStringLiteral(
               "[Config]\r\nBackCol=%1\r\nTextCol=%2\r\nHBackCol=%3\r\nHTextCol=%4\r\n"
               "Border=1\r\nAlwaysOnTop=0\r\nKVEServer=127.0.0.1\r\nKVEPort=1008 / port\r\n")
        .arg(n(kBack), n(kText), n(kHBack), n(kHText))
        .toLatin1();
}

quint16 portNobodyListensOn() {
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

} // namespace

class TestLink : public QObject {
    Q_OBJECT

    // What the caption showed right after one read of the client was handled.
    struct Seen {
        QByteArray text; // its first 4096 characters
        QColor back, fore;
        bool ticking;
    };

    struct Feed : QProcess {
        ~Feed() override { kill(), waitForFinished(); }
    };
    QTemporaryDir dir;
    std::unique_ptr<Feed> feed;
    quint16 feedPort = 0;
    QList<Seen> seen;
    std::function<void(int)> afterRead; // runs after read n (from 0) was handled
    QStringList boxes;                  // the message boxes shown
    int boxAnswer = MsgBox::vbOK;

    static frmMain& form() { return frmMain::Get(); }
    static QByteArray caption() { return QByteArray::fromStdString(form().CaptionText()); }
    static int state() { return form().Winsock->State(); }
    static void tick() { Q_EMIT form().timMonitorConnection.Timer(); } // as the timer gives it
    static QByteArray setting(const char* k) { return MainMod::ReadSetting(k).c_str(); }
    static void setKey(const char* k, const std::string& v) {
        MainMod::WriteIniKey("Config", k, v);
    }
    static void setNormalColours(std::int32_t back, std::int32_t text) {
        setKey("BackCol", std::to_string(back));
        setKey("TextCol", std::to_string(text));
    }
    // The full stops after the waiting text, or -1 when the caption shows something else.
    static int dots() {
        const QByteArray text = caption(), prefix = "Waiting for connection";
        const QByteArray rest = text.mid(prefix.size());
        return text.startsWith(prefix) && rest.count('.') == rest.size() ? int(rest.size()) : -1;
    }

    static QString feedPath() { // the build passes it; the build tree's place otherwise
        return qEnvironmentVariable("WINGSCRIBE_FEED", QCoreApplication::applicationDirPath() +
                                                           "/../tools/wingscribe-feed");
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
        const QByteArray prefix = "listening on ";
        feedPort = out.startsWith(prefix) ? out.mid(prefix.size()).trimmed().toUShort() : 0;
        return feedPort != 0;
    }

    // Points the settings at the feed, lets one supervisor tick connect, and waits for reads.
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

    static QString setupBox(int buttons, const char* prompt) {
        return QString::number(buttons) + " Setup: " + prompt;
    }

    // Lets a supervisor tick open the setup dialog, plays the user in it, and returns when
    // the dialog has closed (closing it if the user's part left it open).
    void inSetupDialog(const std::function<void(frmSetup&)>& user) {
        QTimer::singleShot(0, this, [&] {
            auto* setup = qobject_cast<frmSetup*>(QApplication::activeModalWidget());
            QVERIFY2(setup, "no setup dialog");
            user(*setup);
            if (setup->isVisible())
                setup->done(QDialog::Rejected);
        });
        tick();
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        QVERIFY2(QFile::exists(feedPath()), qPrintable(feedPath()));
        Settings.IniPath = dir.filePath("Wingscribe.ini").toStdString();
        init();
        form().timMonitorConnection.SetEnabled(false); // the tests give the ticks
        form().show();
        connect(form().Winsock, &Winsock::DataArrival, this, [this] {
            seen.append({caption().left(4096), form().palette().color(QPalette::Window),
                         form().lblCaption->palette().color(QPalette::WindowText),
                         form().timMsgDelay.IsTicking()});
            if (afterRead)
                afterRead(int(seen.size()) - 1);
        });
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes << QString::number(call.buttons) + " " + call.title.c_str() + ": " +
                         call.prompt.c_str();
            return boxAnswer;
        });
    }

    void init() {
        QFile file(QString::fromStdString(Settings.IniPath));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(defaultIni()) > 0);
        file.close();
        Settings.KVEServer = "127.0.0.1";
        Settings.AtcComs = Settings.OwnComs = Settings.ShowATIS = true;
        Settings.LastMsg = Settings.HighlightTX2U = false;
        form().timMsgDelay.SetEnabled(false);
        form().timMsgDelay.SetInterval(60000); // no clearing unless a test asks for it
        form().SetBackColor(kBack);
        form().SetCaptionForeColor(kText);
        seen.clear();
        boxes.clear();
        afterRead = nullptr;
    }

    void cleanupTestCase() {
        frmMain::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MsgBox::SetAnswererForTesting(nullptr);
    }

    void cleanup() {
        feed.reset(); // kills the feed
        form().Winsock->Close();
    }

    // A dropped message changes nothing: text, colours and a running display timer stay.
    void filtersByType_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("flag"); // index into the flags below; -1: all of them
        QTest::addColumn<bool>("on");
        QTest::newRow("ATC, AtcComs off") << 0 << 0 << false;
        QTest::newRow("ATC, AtcComs on") << 0 << 0 << true;
        QTest::newRow("own call, OwnComs off") << 2 << 1 << false;
        QTest::newRow("own call, OwnComs on") << 2 << 1 << true;
        QTest::newRow("ATIS, ShowATIS off") << 8 << 2 << false;
        QTest::newRow("ATIS, ShowATIS on") << 8 << 2 << true;
        QTest::newRow("to user, all off") << 1 << -1 << false;
        QTest::newRow("type 3, all off") << 3 << -1 << false;
        QTest::newRow("type 9, all off") << 9 << -1 << false;
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
        QCOMPARE(seen[1].back, FromVbColour(shown ? kBack2 : kBack));
        QCOMPARE(seen[1].fore, FromVbColour(shown ? kText2 : kText));
        QVERIFY(seen[0].ticking && seen[1].ticking);
    }

    // ATC to the user: highlight colours, kept on screen, and the blank message.
    void messagesToUser_data() {
        QTest::addColumn<bool>("highlight");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("highlighted, kept") << true << true << QByteArray("turn left");
        QTest::newRow("highlighted, cleared") << true << false << QByteArray("turn left");
        QTest::newRow("plain, kept") << false << true << QByteArray("turn left");
        QTest::newRow("plain, cleared") << false << false << QByteArray("turn left");
        QTest::newRow("blank, kept") << true << true << QByteArray("   ");
        QTest::newRow("blank, cleared") << true << false << QByteArray("   ");
    }

    void messagesToUser() {
        QFETCH(bool, highlight);
        QFETCH(bool, keep);
        QFETCH(QByteArray, text);
        Settings.HighlightTX2U = highlight;
        Settings.LastMsg = keep;
        QVERIFY(playAfterFirst("1 " + QByteArray(text).replace(' ', "\\x20"))); // keeps blanks
        QVERIFY(seen[0].ticking);
        if (keep && text.trimmed().isEmpty()) { // not shown; only stops the running timer
            QCOMPARE(seen[1].text, "before");
            QCOMPARE(seen[1].back, FromVbColour(kBack));
            QCOMPARE(seen[1].fore, FromVbColour(kText));
        } else {
            QCOMPARE(seen[1].text, text);
            QCOMPARE(seen[1].back, FromVbColour(highlight ? kHBack : kBack2));
            QCOMPARE(seen[1].fore, FromVbColour(highlight ? kHText : kText2));
        }
        QCOMPARE(seen[1].ticking, !keep);
    }

    // The display timer clears the text once and restores the colours the file holds then.
    void displayTimerClears() {
        Settings.HighlightTX2U = true;
        form().timMsgDelay.SetInterval(300);
        QSignalSpy ticks(&form().timMsgDelay, &VbTimer::Timer);
        afterRead = [](int) { setNormalColours(kBack2, kText2); };
        QVERIFY(play("1 cleared soon\n", 1));
        QTRY_COMPARE_WITH_TIMEOUT(ticks.size(), 1, 5000);
        QCOMPARE(caption(), "");
        QCOMPARE(form().palette().color(QPalette::Window), FromVbColour(kBack2));
        QCOMPARE(form().lblCaption->palette().color(QPalette::WindowText), FromVbColour(kText2));
        QVERIFY(!form().timMsgDelay.Enabled() && !form().timMsgDelay.IsTicking());
    }

    // Bytes are shown as received: markup stays literal, NULs and 8-bit bytes survive.
    void textShownAsReceived() {
        QVERIFY(play("5 <b>bold</b> &amp; <br>\nwait 200\n5 a\\x00b\\xff\\r\\n\\tc\\x01\n", 2));
        QCOMPARE(seen[0].text, "<b>bold</b> &amp; <br>");
        QCOMPARE(form().lblCaption->textFormat(), Qt::PlainText);
        QCOMPARE(seen[1].text, QByteArray("a\0b\xff\r\n\tc\x01", 9));
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
        setKey("TextCol", "green");
        afterRead = [](int n) {
            if (n == 0)
                setKey("TextCol", std::to_string(kText2));
        };
        QVERIFY(play("5 first\nwait 200\n5 second\n", 2));
        QVERIFY(seen[0].text.startsWith("Waiting for connection")); // what the tick showed
        QCOMPARE(seen[0].back, FromVbColour(kBack2));               // set before the failure
        QCOMPARE(seen[0].fore, FromVbColour(kText));
        QVERIFY(!seen[0].ticking);
        QCOMPARE(seen[1].text, "second");
        QCOMPARE(seen[1].fore, FromVbColour(kText2));
        QVERIFY(seen[1].ticking);
    }

    void hugeMessageDoesNotStopTheLink() {
        const int size = 10 * 1024 * 1024;
        QVERIFY(play("big 5 " + QByteArray::number(size) + "\nwait 500\n9 after\n", 1));
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "after", 30000);
        QVERIFY(seen[0].text.startsWith("ABCDEFGHIJKLMNOPQRSTUVWXYZABC"));
        QCOMPARE(state(), int(Winsock::sckConnected));
    }

    // The peer closes: "Lost Connection!", timer off. The next tick closes the finished
    // connection (the client refuses Connect until then) and connects again in that tick.
    // While the feed is down the full stops count on; a restarted feed is found again.
    void peerCloseAndRestartedFeed() {
        QVERIFY(play("5 hello\nwait 100\nclose\n", 1));
        QVERIFY(seen[0].ticking);
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "Lost Connection!", 5000);
        QVERIFY(!form().timMsgDelay.IsTicking());
        QCOMPARE(state(), int(Winsock::sckClosing));
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
        QCOMPARE(seen[1].text, "hello");

        const quint16 port = feedPort;
        feed.reset();
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "Lost Connection!", 5000);
        tick();
        const int first = dots();
        QVERIFY(first >= 1 && first <= 10);
        QTRY_COMPARE_WITH_TIMEOUT(state(), int(Winsock::sckClosed), 5000); // refused
        tick();
        QCOMPARE(dots(), first % 10 + 1);
        QVERIFY(startFeed("5 hello again\n", port));
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "hello again", 5000);
    }

    // A reset is an error, not a close: the client is closed and nothing is shown (the message
    // and its timer stay); the next tick connects again.
    void peerResetThenReconnect() {
        QSignalSpy errors(form().Winsock, &Winsock::Error);
        QVERIFY(play("5 hello\nwait 100\nreset\n", 1));
        QTRY_VERIFY_WITH_TIMEOUT(state() != Winsock::sckConnected, 5000);
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0][0].toInt(), 10054);
        QCOMPARE(state(), int(Winsock::sckClosed));
        QCOMPARE(caption(), "hello");
        QVERIFY(form().timMsgDelay.IsTicking());
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
        QCOMPARE(seen[1].text, "hello");
    }

    // Nobody listens: a new attempt every tick, and the full stops run 1..10, then 1 again.
    void noListenerKeepsCounting() {
        Settings.KVEPort = portNobodyListensOn();
        QSignalSpy errors(form().Winsock, &Winsock::Error);
        tick();
        int previous = dots();
        QVERIFY(previous >= 1 && previous <= 10);
        for (int i = 0; i < 11; ++i) {
            QTRY_COMPARE_WITH_TIMEOUT(errors.size(), i + 1, 5000);
            QCOMPARE(state(), int(Winsock::sckClosed));
            tick();
            QCOMPARE(dots(), previous % 10 + 1); // and the refusal to come shows the attempt
            previous = dots();
        }
    }

    // What makes the supervisor close before a new attempt: no Connect after an error.
    void clientRefusesConnectAfterError() {
        Winsock client;
        client.SetRemoteHost("127.0.0.1");
        client.SetRemotePort(portNobodyListensOn());
        QSignalSpy errors(&client, &Winsock::Error);
        client.Connect();
        QVERIFY(errors.wait(5000));
        QCOMPARE(client.State(), int(Winsock::sckError));
        const auto refusal = [&] {
            try {
                client.Connect();
            } catch (const VbError& error) {
                return error.Number();
            }
            return 0;
        };
        QCOMPARE(refusal(), int(VbError::WinsockNotAllowed));
    }

    void unknownHostClosesClient() {
        Settings.KVEServer = "nonexistent.invalid";
        Settings.KVEPort = 1008;
        QSignalSpy errors(form().Winsock, &Winsock::Error);
        tick();
        QVERIFY(dots() > 0);
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 15000);
        QCOMPARE(state(), int(Winsock::sckClosed));
    }

    // No server set: a tick opens the setup dialog at the caption's corner; after a confirm
    // the server is re-read and the next tick connects to it.
    void firstRunConfirm() {
        QVERIFY(startFeed("5 connected\n"));
        setKey("KVEServer", "0.0.0.0");
        setKey("KVEPort", std::to_string(feedPort));
        Settings.KVEServer = "0.0.0.0";
        Settings.KVEPort = 0;
        QPointF corner(-1, -1);
        inSetupDialog([&](frmSetup& setup) {
            corner = {Twips::Left(&setup), Twips::Top(&setup)};
            setup.txtHost->setText(" 127.0 .0.1 ");
            setup.cmdConfirm->click();
        });
        QCOMPARE(corner, QPointF(Twips::Left(&form()), Twips::Top(&form())));
        QCOMPARE(setting("KVEServer"), "127.0.0.1");
        QCOMPARE(Settings.KVEServer, "127.0.0.1");
        QCOMPARE(Settings.KVEPort, feedPort);
        QCOMPARE(boxes, {setupBox(MsgBox::vbInformation,
                                  "Now you can Move and Resize me...\r\n\r\n"
                                  "Right-Click me for additional options and/or to Exit.")});
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "connected", 5000);
    }

    void firstRunBlankOrCancelled() {
        setKey("KVEServer", "0.0.0.0");
        Settings.KVEServer = "0.0.0.0";
        inSetupDialog([&](frmSetup& setup) {
            setup.txtHost->setText("   ");
            setup.cmdConfirm->click();
            QVERIFY(setup.isVisible());
            setup.txtHost->clear();
            boxAnswer = MsgBox::vbNo;
            setup.cmdCancel->click();
            QVERIFY(setup.isVisible());
            setup.txtHost->setText("typed but cancelled");
            setup.cmdCancel->click();
            QVERIFY(!setup.isVisible());
        });
        const char* const blankBox =
            "You need to enter the Name or IP Address of the PC running KVE / KV3!";
        const char* const skipBox =
            "Wingscribe will not work without the correct settings! Skip this Setup?";
        QCOMPARE(boxes, QStringList({setupBox(MsgBox::vbExclamation, blankBox),
                                     setupBox(MsgBox::vbYesNo, skipBox)}));
        QCOMPARE(setting("KVEServer"), "0.0.0.0");
        QCOMPARE(Settings.KVEServer, "0.0.0.0");

        // Skipping the setup stores this PC; a port that cannot be read leaves the old one.
        setKey("KVEPort", "ten-oh-eight");
        Settings.KVEPort = 1234;
        QString offered;
        inSetupDialog([&](frmSetup& setup) {
            offered = setup.txtHost->text();
            setup.txtHost->clear();
            boxAnswer = MsgBox::vbYes;
            setup.cmdCancel->click();
        });
        QCOMPARE(offered, "0.0.0.0");
        QCOMPARE(setting("KVEServer"), "127.0.0.1");
        QCOMPARE(Settings.KVEServer, "127.0.0.1");
        QCOMPARE(Settings.KVEPort, 1234);
    }
};

QTEST_MAIN(TestLink)
#include "tst_link.moc"
