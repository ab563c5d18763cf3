// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzzes the message intake: each input reaches the caption window's real TCP client from a
// loopback server in this process, the way the simulator sends it.
//
// Input layout: the first byte picks the display settings (bit 0 AtcComs, 1 OwnComs,
// 2 ShowATIS, 3 LastMsg); the rest is what the server sends. Every read that the client
// makes is one message, so each read is checked on its own.
#include "platform/Winsock.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

using MainMod::Settings;

namespace {

#define CHECK(condition)                                                                           \
    ((condition)                                                                                   \
         ? void()                                                                                  \
         : (std::fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition), std::abort()))

QTcpSocket* server;  // the server's end of the connection
std::string unread;  // sent bytes that the client has not read yet
std::string shown;   // the caption before the read being handled
bool timing = false; // whether the display timer ran before it
std::size_t reads = 0;

frmMain& form() {
    return frmMain::Get();
}

void waitFor(const std::function<bool()>& done) {
    const QDeadlineTimer deadline(10000);
    while (!done()) {
        CHECK(!deadline.hasExpired());
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Runs after the intake has handled a read of `count` bytes.
void checkRead(std::int64_t count) {
    CHECK(count > 0 && std::size_t(count) <= unread.size());
    const std::string message = unread.substr(0, std::size_t(count));
    unread.erase(0, std::size_t(count));
    ++reads;

    const int type = message[0] - '0';
    const std::string text = message.size() > 2 ? message.substr(2) : std::string();
    const bool hidden = type < 0 || type > 9 || (type == 0 && !Settings.AtcComs) ||
                        (type == 2 && !Settings.OwnComs) || (type == 8 && !Settings.ShowATIS);
    const bool kept = type == 1 && Settings.LastMsg; // shown until the next message
    const std::string caption = form().CaptionText();
    if (hidden)
        CHECK(caption == shown && form().timMsgDelay.Enabled() == timing);
    else if (kept && text.find_first_not_of(' ') == std::string::npos)
        CHECK(caption == shown && !form().timMsgDelay.Enabled()); // only ends the display time
    else
        CHECK(caption == text && form().timMsgDelay.Enabled() == !kept);
    shown = caption;
    timing = form().timMsgDelay.Enabled();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: libFuzzer ends the process with exit(), and an application torn down by
    // exit handlers runs after Qt's own thread storage is gone.
    new QApplication(*argc, *argv);
    static QTemporaryDir dir;
    static QTcpServer listener;
    QFile ini(dir.filePath("Wingscribe.ini"));
    CHECK(listener.listen(QHostAddress::LocalHost) && ini.open(QIODevice::WriteOnly) &&
          ini.write("[Config]\r\nBackCol=0\r\nTextCol=65280\r\nHBackCol=128\r\nHTextCol=65535\r\n"
                    "Border=1\r\nAlwaysOnTop=0\r\n") > 0);
    ini.close();
    Settings.IniPath = QFile::encodeName(ini.fileName()).toStdString();
    Settings.HighlightTX2U = true;

    form().timMonitorConnection.SetEnabled(false);
    form().timMsgDelay.SetInterval(0); // the display time never runs out during a run
    QObject::connect(form().Winsock, &Winsock::DataArrival, &checkRead); // after the intake's
    form().Winsock->SetRemoteHost("127.0.0.1");
    form().Winsock->SetRemotePort(listener.serverPort());
    form().Winsock->Connect();
    waitFor([] {
        return form().Winsock->State() == Winsock::sckConnected && listener.hasPendingConnections();
    });
    server = listener.nextPendingConnection();
    shown = form().CaptionText();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    Settings.AtcComs = data[0] & 1;
    Settings.OwnComs = data[0] & 2;
    Settings.ShowATIS = data[0] & 4;
    Settings.LastMsg = data[0] & 8;
    unread.assign(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t readsBefore = reads;
    CHECK(server->write(unread.data(), qint64(unread.size())) == qint64(unread.size()));
    waitFor([] { return unread.empty(); });
    CHECK(reads > readsBefore);
    return 0;
}
