// The link to the simulator over loopback TCP, against the demo feed.
#include "Wine.h"
#include "platform/MsgBox.h"
#include "platform/Twips.h"
#include "platform/VbColour.h"
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
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>

using MainMod::Settings;
using MainMod::SettingsRecord;

// The file's colours, and the normal colours a test switches the file to.
constexpr std::int32_t kBack = 0x402010, kText = 0x00FF00, kHBack = 0x000080, kHText = 0x00FFFF;
constexpr std::int32_t kBack2 = 0x303030, kText2 = 0xFFFFFF;

class TestLink : public QObject {
    Q_OBJECT

    struct Seen { // the caption right after one read was handled
        QByteArray text;
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
    QStringList boxes;
    int boxAnswer = MsgBox::vbOK;

    static frmMain& form() { return frmMain::Get(); }
    static QByteArray caption() { return QByteArray::fromStdString(form().CaptionText()); }
    static int state() { return form().Winsock->State(); }
    static void tick() { Q_EMIT form().timMonitorConnection.Timer(); }
    static QByteArray setting(const char* k) { return MainMod::ReadSetting(k).c_str(); }
    static void put(const char* k, const std::string& v) { MainMod::WriteIniKey("Config", k, v); }
    static void setNormalColours(std::int32_t back, std::int32_t text) {
        put("BackCol", std::to_string(back));
        put("TextCol", std::to_string(text));
    }
    // The full stops after the waiting text, or -1 when the caption shows something else.
    static int dots() {
        const QByteArray text = caption(), prefix = "Waiting for connection";
        const QByteArray rest = text.mid(prefix.size());
        return text.startsWith(prefix) && rest.count('.') == rest.size() ? int(rest.size()) : -1;
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

    // Lets a tick open the setup dialog, plays the user in it, and closes it if left open.
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
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QString::asprintf("[Config]\nBackCol=%d\nTextCol=%d\nHBackCol=%d\nHTextCol=%d\n"
                                     "Border=1\nKVEServer=127.0.0.1\nKVEPort=1008\n",
                                     kBack, kText, kHBack, kHText)
                       .toLatin1());
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

    void cleanup() {
        feed.reset();
        form().Winsock->Close();
    }

    void cleanupTestCase() {
        frmMain::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MsgBox::SetAnswererForTesting(nullptr);
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
        QCOMPARE(seen[1].back, FromVbColour(shown ? kBack2 : kBack));
        QCOMPARE(seen[1].fore, FromVbColour(shown ? kText2 : kText));
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
        QCOMPARE(seen[1].back, FromVbColour(ignored ? kBack : highlight ? kHBack : kBack2));
        QCOMPARE(seen[1].fore, FromVbColour(ignored ? kText : highlight ? kHText : kText2));
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
        QVERIFY(!form().timMsgDelay.IsTicking());
    }

    // Bytes are shown as received (markup literal, NULs and 8-bit kept); a huge one does no harm.
    void textShownAsReceived() {
        QVERIFY(play("5 <b>bold</b> &amp; <br>\nwait 200\n5 a\\x00b\\xff\\r\\n\\tc\\x01\n"
                     "wait 200\nbig 5 10485760\nwait 500\n9 after\n",
                     3));
        QCOMPARE(seen[0].text, "<b>bold</b> &amp; <br>");
        QCOMPARE(form().lblCaption->textFormat(), Qt::PlainText);
        QCOMPARE(seen[1].text, QByteArray("a\0b\xff\r\n\tc\x01", 9));
        QVERIFY(seen[2].text.startsWith("ABCDEFGHIJKLMNOPQRSTUVWXYZABC"));
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "after", 30000);
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
        QCOMPARE(seen[0].back, FromVbColour(kBack2)); // set before the failure
        QCOMPARE(seen[0].fore, FromVbColour(kText));
        QVERIFY(seen[1].text == "second" && seen[1].ticking);
        QCOMPARE(seen[1].fore, FromVbColour(kText2));
    }

    // The peer closes: "Lost Connection!" and the timer off; the next tick closes the client
    // and connects again, and a restarted feed is found again.
    void peerCloseAndRestartedFeed() {
        QVERIFY(play("5 hello\nwait 100\nclose\n", 1));
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "Lost Connection!", 5000);
        QVERIFY(seen[0].ticking && !form().timMsgDelay.IsTicking());
        QCOMPARE(state(), int(Winsock::sckClosing)); // Connect refused (40020) until closed
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
        QCOMPARE(seen[1].text, "hello");
        const quint16 port = feedPort;
        feed.reset();
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "Lost Connection!", 5000);
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(state(), int(Winsock::sckClosed), 5000); // refused
        QVERIFY(startFeed("5 hello again\n", port));
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "hello again", 5000);
    }

    // A reset is an error: the client is closed, the message and its timer stay.
    void peerResetThenReconnect() {
        QSignalSpy errors(form().Winsock, &Winsock::Error);
        QVERIFY(play("5 hello\nwait 100\nreset\n", 1));
        QTRY_VERIFY_WITH_TIMEOUT(state() != Winsock::sckConnected, 5000);
        SKIP_UNDER_WINE("reports a connection reset by the peer as an orderly close");
        QCOMPARE(errors.size(), 1);
        QCOMPARE(errors[0][0].toInt(), 10054);
        QCOMPARE(state(), int(Winsock::sckClosed));
        QCOMPARE(caption(), "hello");
        QVERIFY(form().timMsgDelay.IsTicking());
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(seen.size(), 2, 5000);
    }

    // Nobody listens or the host is unknown: a new attempt every tick, full stops 1..10, 1.
    void unreachableKeepsCounting() {
        QTcpServer closed; // a port nobody listens on once it is closed
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        Settings.KVEPort = closed.serverPort();
        closed.close();
        QSignalSpy errors(form().Winsock, &Winsock::Error);
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

    // No server set: a tick opens the setup dialog at the caption's corner; after a confirm
    // the server is re-read and the next tick connects to it.
    void firstRunConfirm() {
        QVERIFY(startFeed("5 connected\n"));
        put("KVEServer", "0.0.0.0");
        put("KVEPort", std::to_string(feedPort));
        Settings.KVEServer = "0.0.0.0";
        Settings.KVEPort = 0;
        QPointF corner(-1, -1);
        inSetupDialog([&](frmSetup& setup) {
            corner = {Twips::Left(&setup), Twips::Top(&setup)};
            setup.txtHost->setText(" 127.0 .0.1 ");
            setup.cmdConfirm->click();
        });
        QCOMPARE(corner, QPointF(Twips::Left(&form()), Twips::Top(&form())));
        QCOMPARE(setting("KVEServer") + "|" + Settings.KVEServer.c_str(), "127.0.0.1|127.0.0.1");
        QCOMPARE(Settings.KVEPort, feedPort);
        QCOMPARE(boxes, {"64 Setup: Now you can Move and Resize me...\r\n\r\n"
                         "Right-Click me for additional options and/or to Exit."});
        tick();
        QTRY_COMPARE_WITH_TIMEOUT(caption(), "connected", 5000);
    }

    // A blank host is refused; a cancel asks, "No" stays, "Yes" stores this PC.
    void firstRunBlankOrCancelled() {
        put("KVEServer", "0.0.0.0");
        Settings.KVEServer = "0.0.0.0";
        inSetupDialog([&](frmSetup& setup) {
            setup.txtHost->setText("   ");
            setup.cmdConfirm->click();
            QVERIFY(setup.isVisible());
            boxAnswer = MsgBox::vbNo;
            setup.cmdCancel->click();
            QVERIFY(setup.isVisible());
            setup.txtHost->setText("typed but cancelled"); // closes without asking
            setup.cmdCancel->click();
            QVERIFY(!setup.isVisible());
        });
        QCOMPARE(boxes, QStringList({"48 Setup: You need to enter the Name or IP Address of the "
                                     "PC running KVE / KV3!",
                                     "4 Setup: Wingscribe will not work without the correct "
                                     "settings! Skip this Setup?"}));
        QCOMPARE(setting("KVEServer") + "|" + Settings.KVEServer.c_str(), "0.0.0.0|0.0.0.0");
        put("KVEPort", "ten-oh-eight"); // a port that cannot be read leaves the old one
        Settings.KVEPort = 1234;
        QString offered;
        inSetupDialog([&](frmSetup& setup) {
            offered = setup.txtHost->text();
            setup.txtHost->clear();
            boxAnswer = MsgBox::vbYes;
            setup.cmdCancel->click();
        });
        QCOMPARE(offered, "0.0.0.0");
        QCOMPARE(setting("KVEServer") + "|" + Settings.KVEServer.c_str(), "127.0.0.1|127.0.0.1");
        QCOMPARE(Settings.KVEPort, 1234);
    }
};

QTEST_MAIN(TestLink)
#include "tst_link.moc"
