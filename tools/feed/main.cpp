// SPDX-License-Identifier: GPL-3.0-or-later
// wingscribe-feed: a stand-in for the simulator's text feed, for demos and for the link tests.
//
//   wingscribe-feed [--host ADDR] [--port N] [--speed F] [--once] [--exit-after-close]
//                   [--script FILE | --count N [--interval-ms M] [--types DIGITS]]
//                   [--drop-every-ms M] [--print-clients]
//
// Listens on ADDR:N (127.0.0.1:1008; --port 0 picks a free port) and prints one line,
// "listening on <port>", when ready. Every client that connects gets the script from its start.
// Each message is one type digit, a separator and the text, written in one write with no
// terminator (0 ATC and AI aircraft, 1 ATC to the user, 2 the user's own call, 8 ATIS).
//
// Without --script or --count the built-in demo traffic loops forever, 1.5 to 4 s between
// lines. Script files hold one directive a line:
//   <digit><sep><text>  send a message; the text may use \n, \r, \t, \\ and \xHH
//   wait <ms>           pause (divided by --speed)
//   split <n>           send the next write in n segments, 20 ms apart
//   join <n>            send the next n messages in one write
//   big <digit> <bytes> send one message with that many bytes of text
//   close               close the connection in order
//   reset               abort the connection so that the client sees a reset
//   repeat              start again from the top (otherwise the connection stays open, idle)
//   # ...               comment
//
// --count N sends "<type> Message k" for k = 1..N (N = 0: without end), M ms apart (1000 by
// default), the type digits taken in turn from --types (default "0"). --once closes each
// connection when its script ends; --exit-after-close ends the program when the last
// connected client is gone. --drop-every-ms M ends each connection M ms after it opened,
// by close and by reset in turn. --print-clients prints "client <k>" when client k connects.
//
// Exit status: 0 done, 1 cannot listen or read the script, 2 bad command line.

#include "FeedScript.h"
#include "FeedServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <algorithm>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#endif

namespace {

int usageError(const QString& message) {
    std::fprintf(stderr, "wingscribe-feed: %s (see --help)\n", qPrintable(message));
    return 2;
}

// A port near the one asked for that can be listened on now (ports below 1024 need root on
// Linux, so those are moved above it), or 0 when none of the few tried is free.
quint16 freePortNear(const QHostAddress& address, uint port) {
    const uint first = port < 1024 ? port + 10000 : port + 1;
    for (uint candidate = first; candidate < first + 20 && candidate <= 65535; ++candidate) {
        QTcpServer probe;
        if (probe.listen(address, quint16(candidate)))
            return quint16(candidate);
    }
    return 0;
}

// One line on what to do when the feed cannot listen where it was asked to.
QString listenAdvice(const FeedServer& server, const QHostAddress& address, uint port) {
    if (server.serverError() == QAbstractSocket::SocketAddressNotAvailableError)
        return QStringLiteral("give --host an address of this PC (127.0.0.1, or 0.0.0.0 for all)");
    const quint16 other = freePortNear(address, port);
    if (other == 0)
        return QStringLiteral("start it with --port 0 for a free port and put the port it "
                              "prints as KVEPort in Wingscribe's settings file");
    return QStringLiteral("start it with --port %1 and put KVEPort=%1 in Wingscribe's settings "
                          "file")
        .arg(other);
}

} // namespace

int main(int argc, char* argv[]) {
#ifdef Q_OS_UNIX
    std::signal(SIGPIPE, SIG_IGN); // a client that vanishes mid-write is not fatal
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("wingscribe-feed"));
    QCoreApplication::setApplicationVersion(QStringLiteral(WINGSCRIBE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Demo simulator text feed for Wingscribe: plays a script to every client that connects.\n"
        "Without --script or --count, built-in demo traffic loops forever.\n"
        "Script lines: '<digit><sep><text>' sends a message (\\n, \\r, \\t, \\\\, \\xHH "
        "escapes), 'wait <ms>', 'split <n>', 'join <n>', 'big <digit> <bytes>', 'close', "
        "'reset', 'repeat', '# comment'."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption host(QStringLiteral("host"),
                                  QStringLiteral("Address to listen on (default 127.0.0.1)."),
                                  QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("TCP port, 0 for a free one (default 1008)."),
                                  QStringLiteral("N"), QStringLiteral("1008"));
    const QCommandLineOption script(QStringLiteral("script"),
                                    QStringLiteral("Play this script file instead of the demo."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption speed(QStringLiteral("speed"),
                                   QStringLiteral("Divide script waits by F (default 1)."),
                                   QStringLiteral("F"), QStringLiteral("1"));
    const QCommandLineOption once(QStringLiteral("once"),
                                  QStringLiteral("Close each connection when the script ends."));
    const QCommandLineOption exitAfterClose(
        QStringLiteral("exit-after-close"),
        QStringLiteral("Exit when the last connected client is gone."));
    const QCommandLineOption count(
        QStringLiteral("count"),
        QStringLiteral("Send N numbered messages instead of a script (0: without end)."),
        QStringLiteral("N"));
    const QCommandLineOption interval(QStringLiteral("interval-ms"),
                                      QStringLiteral("Pause between counted messages (1000)."),
                                      QStringLiteral("M"), QStringLiteral("1000"));
    const QCommandLineOption types(QStringLiteral("types"),
                                   QStringLiteral("Type digits of counted messages, in turn."),
                                   QStringLiteral("DIGITS"), QStringLiteral("0"));
    const QCommandLineOption dropEvery(
        QStringLiteral("drop-every-ms"),
        QStringLiteral("End each connection after M ms, by close and reset in turn."),
        QStringLiteral("M"), QStringLiteral("0"));
    const QCommandLineOption printClients(
        QStringLiteral("print-clients"),
        QStringLiteral("Print \"client <k>\" when the k-th client connects."));
    parser.addOptions({host, port, script, speed, once, exitAfterClose, count, interval, types,
                       dropEvery, printClients});
    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument ") +
                          parser.positionalArguments().first());
    QHostAddress address;
    if (!address.setAddress(parser.value(host)))
        return usageError(QStringLiteral("--host needs a numeric address"));
    bool ok = false;
    const uint portNumber = parser.value(port).toUInt(&ok);
    if (!ok || portNumber > 65535)
        return usageError(QStringLiteral("--port needs 0 to 65535"));
    const double speedFactor = parser.value(speed).toDouble(&ok);
    if (!ok || !(speedFactor > 0))
        return usageError(QStringLiteral("--speed needs a number above 0"));
    FeedSession::Options options;
    options.once = parser.isSet(once);
    options.dropAfterMs = parser.value(dropEvery).toInt(&ok);
    if (!ok || options.dropAfterMs < 0)
        return usageError(QStringLiteral("--drop-every-ms needs 0 or more"));

    FeedScript feed = FeedScript::demo(speedFactor);
    if (parser.isSet(count)) {
        if (parser.isSet(script))
            return usageError(QStringLiteral("--count and --script exclude each other"));
        const qint64 messages = parser.value(count).toLongLong(&ok);
        if (!ok || messages < 0)
            return usageError(QStringLiteral("--count needs 0 or more"));
        const int intervalMs = parser.value(interval).toInt(&ok);
        if (!ok || intervalMs < 0)
            return usageError(QStringLiteral("--interval-ms needs 0 or more"));
        const QByteArray digits = parser.value(types).toLatin1();
        if (digits.isEmpty() ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return usageError(QStringLiteral("--types needs one or more digits"));
        feed = FeedScript::counted(messages, intervalMs, digits);
    } else if (parser.isSet(script)) {
        QFile file(parser.value(script));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "wingscribe-feed: cannot read %s: %s\n",
                         qPrintable(file.fileName()), qPrintable(file.errorString()));
            return 1;
        }
        QString error;
        const auto parsed = FeedScript::parse(file.readAll(), speedFactor, &error);
        if (!parsed) {
            std::fprintf(stderr, "wingscribe-feed: %s: %s\n", qPrintable(file.fileName()),
                         qPrintable(error));
            return 1;
        }
        feed = *parsed;
    }

    FeedServer server(feed, options);
    if (!server.listen(address, quint16(portNumber))) {
        std::fprintf(stderr, "wingscribe-feed: cannot listen on %s port %u (%s): %s\n",
                     qPrintable(address.toString()), portNumber, qPrintable(server.errorString()),
                     qPrintable(listenAdvice(server, address, portNumber)));
        return 1;
    }
    if (parser.isSet(exitAfterClose))
        QObject::connect(&server, &FeedServer::allClientsDone, &app, &QCoreApplication::quit);
    if (parser.isSet(printClients))
        QObject::connect(&server, &FeedServer::accepted, [](qint64 number) {
            std::printf("client %lld\n", static_cast<long long>(number));
            std::fflush(stdout);
        });
    std::printf("listening on %u\n", unsigned(server.port()));
    std::fflush(stdout);
    return app.exec();
}
