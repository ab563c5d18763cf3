// SPDX-License-Identifier: GPL-3.0-or-later
// How quickly a simulator message reaches the caption window, and how much traffic the window
// keeps up with.
//
// The real caption window (offscreen unless QT_QPA_PLATFORM says otherwise) connects through
// its own supervisor to a loopback server that runs in this process on a thread of its own,
// so the GUI thread does nothing but receive, as in the program.
//
//   1. Latency: 10,000 messages, one at a time (each sent once the previous one was handled),
//      from just before the write to just after the caption's data-arrival handler returned.
//   2. The same with a repaint of the window in that handler: send -> painted.
//   3. Flood: messages at a fixed rate for 2 s per step (a step in which messages were merged is
//      tried again, up to three times, so that one stall caused by another process on the
//      machine does not decide the figure). A step passes when every message was
//      handled as a read of its own (none merged with the next one, none lost), the sender
//      kept up with the rate, and the supervisor's one-second tick (idle while connected)
//      never came more than 50 ms off its period. The caption reads whatever is pending as
//      one message, so a window that falls behind shows merged messages: that is the limit.
//
// Usage: bench_message_path [messages]     (default 10000)
#include "platform/Winsock.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <thread>
#include <vector>

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr auto kStepLength = 2s;
constexpr auto kTickPeriod = 1000ms;
constexpr auto kTickTolerance = 50ms;
constexpr int kTries = 3; // per rate, so that one stall caused by another process is not the limit
const int kRates[] = {1000, 2000, 5000, 10000, 20000, 50000};

enum Mode : int { Latency, LatencyWithPaint, Flood };

// What the GUI thread and the sender thread share. The vectors are sized before the sender
// starts; each slot is written by one thread and read by the other only after `handled`
// (release/acquire) or after the sender has finished.
struct Shared {
    std::atomic<bool> connected{false};
    std::atomic<int> mode{Latency};
    std::atomic<long> handled{0}; // reads handled by the caption window, all modes
    std::atomic<long> single{0};  // flood: reads that held exactly one message
    std::atomic<long> wrongText{0};
    std::vector<Clock::time_point> sent, shown;
};

struct StepResult {
    int rate = 0;
    int attempt = 0;
    long sent = 0;
    long single = 0;
    long reads = 0;
    double sendSeconds = 0;
    Clock::time_point from, to;
};

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

// The simulator's side: accepts the caption window's connection and writes to it from this
// thread only, with blocking calls and no event loop.
void runSender(Shared& shared, int messages, std::promise<quint16> port,
               std::vector<StepResult>& steps, bool& failed) {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) {
        port.set_value(0);
        return;
    }
    port.set_value(server.serverPort());
    if (!server.waitForNewConnection(30000)) {
        failed = true;
        return;
    }
    QTcpSocket* socket = server.nextPendingConnection();
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1); // one segment per write
    while (!shared.connected.load())
        std::this_thread::sleep_for(1ms);

    const auto send = [&](const QByteArray& message) {
        socket->write(message);
        socket->flush();
    };
    const auto waitHandled = [&](long count) {
        const auto deadline = Clock::now() + 5s;
        while (shared.handled.load(std::memory_order_acquire) < count) {
            if (Clock::now() > deadline)
                return false;
            std::this_thread::yield();
        }
        return true;
    };

    // Messages are due on a fixed schedule, but each leaves at least half a spacing after the
    // one before: a sender that was held up catches up without a burst that the network would
    // merge into one read.
    long number = 0;
    const auto floodStep = [&](int rate) {
        StepResult step;
        step.rate = rate;
        const long readsBefore = shared.handled.load(), singleBefore = shared.single.load();
        const auto spacing = std::chrono::nanoseconds(1000000000LL / rate);
        const long count = long(rate * std::chrono::duration<double>(kStepLength).count());
        step.from = Clock::now();
        Clock::time_point last = step.from - spacing;
        for (long k = 0; k < count; ++k) {
            const auto due = std::max(step.from + k * spacing, last + spacing / 2);
            while (Clock::now() < due) {
                if (due - Clock::now() > 300us)
                    std::this_thread::sleep_for(due - Clock::now() - 200us);
                else
                    std::this_thread::yield();
            }
            last = Clock::now();
            send("5 F" + QByteArray::number(++number));
        }
        step.sendSeconds = std::chrono::duration<double>(Clock::now() - step.from).count();
        step.sent = count;
        socket->waitForBytesWritten(5000);
        // Drained when nothing more has been handled for 300 ms.
        long before = -1;
        while (shared.handled.load() != before) {
            before = shared.handled.load();
            std::this_thread::sleep_for(300ms);
        }
        step.to = Clock::now();
        step.reads = shared.handled.load() - readsBefore;
        step.single = shared.single.load() - singleBefore;
        return step;
    };

    // Passes 1 and 2: one message at a time.
    for (int i = 0; i < 2 * messages && !failed; ++i) {
        if (i == messages)
            shared.mode.store(LatencyWithPaint);
        shared.sent[std::size_t(i)] = Clock::now();
        send("5 L" + QByteArray::number(i));
        failed = !waitHandled(i + 1);
    }

    // Pass 3: fixed rates, each tried again (up to kTries) while messages were merged.
    shared.mode.store(Flood);
    for (int rate : kRates) {
        for (int attempt = 1; attempt <= kTries && !failed; ++attempt) {
            steps.push_back(floodStep(rate));
            steps.back().attempt = attempt;
            if (steps.back().single == steps.back().sent)
                break;
        }
    }
    socket->close();
}

struct Spread {
    double median, p99, max;
};

Spread spread(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) {
        return values[std::min(values.size() - 1, std::size_t(q * double(values.size())))];
    };
    return {at(0.5), at(0.99), values.back()};
}

bool singleFloodMessage(const QString& text) {
    if (text.size() < 2 || text[0] != 'F')
        return false;
    return std::all_of(text.begin() + 1, text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int messages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10000;

    QTemporaryDir dir;
    const QString ini = dir.filePath("Wingscribe.ini");
    QFile file(ini);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write("[Config]\r\nBackCol=0\r\nTextCol=65280\r\nHBackCol=0\r\nHTextCol=65280\r\n"
                   "Border=1\r\nAlwaysOnTop=0\r\nKVEServer=127.0.0.1\r\nKVEPort=1008\r\n"
                   "MsgDelay=30\r\n") < 0) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(ini));
        return 1;
    }
    file.close();
    MainMod::Settings.IniPath = ini.toStdString();
    MainMod::Settings.AtcComs = MainMod::Settings.OwnComs = MainMod::Settings.ShowATIS = true;

    Shared shared;
    shared.sent.resize(std::size_t(2 * messages));
    shared.shown.resize(std::size_t(2 * messages));
    std::vector<StepResult> steps;
    bool failed = false;
    std::promise<quint16> portPromise;
    std::future<quint16> portFuture = portPromise.get_future();
    std::thread sender(runSender, std::ref(shared), messages, std::move(portPromise),
                       std::ref(steps), std::ref(failed));
    const quint16 port = portFuture.get();
    if (port == 0) {
        std::fprintf(stderr, "cannot listen on loopback\n");
        sender.join();
        return 1;
    }

    frmMain& form = frmMain::Get();
    form.timMsgDelay.SetInterval(30000);
    form.show();
    MainMod::Settings.KVEServer = "127.0.0.1";
    MainMod::Settings.KVEPort = port;

    std::vector<Clock::time_point> ticks;
    QObject::connect(&form.timMonitorConnection, &VbTimer::Timer, &form,
                     [&] { ticks.push_back(Clock::now()); });
    QObject::connect(form.Winsock, &Winsock::Connected, &form, [&] { shared.connected = true; });
    // Connected after the caption's own handler, so this runs once the label shows the read.
    QObject::connect(form.Winsock, &Winsock::DataArrival, &form, [&] {
        const long n = shared.handled.load(std::memory_order_relaxed);
        const int mode = shared.mode.load();
        const QString text = form.lblCaption->text();
        if (mode == Flood) {
            if (singleFloodMessage(text))
                shared.single.fetch_add(1);
        } else if (n < 2 * messages) {
            if (mode == LatencyWithPaint)
                form.repaint();
            shared.shown[std::size_t(n)] = Clock::now();
            if (text != QStringLiteral("L%1").arg(n))
                shared.wrongText.fetch_add(1);
        }
        shared.handled.store(n + 1, std::memory_order_release);
    });
    Q_EMIT form.timMonitorConnection.Timer(); // the first attempt now; then one a second

    QEventLoop loop;
    std::thread watcher([&] {
        sender.join();
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    watcher.join();
    if (failed) {
        std::fprintf(stderr, "the caption window stopped handling messages\n");
        return 1;
    }

    std::printf("Wingscribe message path, platform \"%s\", Qt %s\n\n",
                qPrintable(QGuiApplication::platformName()), qVersion());
    std::printf("%-34s %10s %10s %10s %10s\n", "latency (microseconds)", "messages", "median",
                "p99", "max");
    for (int pass = 0; pass < 2; ++pass) {
        std::vector<double> values;
        for (int i = pass * messages; i < (pass + 1) * messages; ++i)
            values.push_back(micros(shared.shown[std::size_t(i)] - shared.sent[std::size_t(i)]));
        const Spread s = spread(values);
        std::printf("%-34s %10d %10.1f %10.1f %10.1f\n",
                    pass == 0 ? "send -> label text changed" : "send -> window repainted", messages,
                    s.median, s.p99, s.max);
    }
    std::printf("reads whose label text was not the message sent: %ld\n\n",
                shared.wrongText.load());

    std::printf("flood, %lld s per step, up to %d tries; pass = every message its own read, tick "
                "within %lld ms\n",
                static_cast<long long>(kStepLength.count()), kTries,
                static_cast<long long>(kTickTolerance.count()));
    std::printf("%10s %6s %10s %12s %10s %10s %14s %6s\n", "rate/s", "try", "sent", "sent at/s",
                "own read", "reads", "tick off (ms)", "pass");
    int best = 0;
    bool stillPassing = true;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const StepResult& step = steps[i];
        if (i + 1 < steps.size() && steps[i + 1].rate == step.rate)
            continue; // an earlier try of this rate
        double worstTick = 0;
        for (std::size_t k = 1; k < ticks.size(); ++k)
            if (ticks[k] > step.from && ticks[k] <= step.to)
                worstTick = std::max(worstTick, std::abs(std::chrono::duration<double, std::milli>(
                                                             ticks[k] - ticks[k - 1] - kTickPeriod)
                                                             .count()));
        const double sentRate = double(step.sent) / step.sendSeconds;
        const bool pass = step.single == step.sent && step.reads == step.sent &&
                          worstTick <= double(kTickTolerance.count()) &&
                          sentRate >= 0.95 * step.rate;
        if (pass && stillPassing)
            best = step.rate;
        stillPassing = stillPassing && pass;
        std::printf("%10d %6d %10ld %12.0f %10ld %10ld %14.1f %6s\n", step.rate, step.attempt,
                    step.sent, sentRate, step.single, step.reads, worstTick, pass ? "yes" : "NO");
    }
    std::printf("\nhighest sustained rate: %d messages/s\n", best);
    frmMain::Unload();
    return 0;
}
