// A program killed while it saves a setting leaves a whole settings file. A child process
// makes a long run of writes to the default settings file and is killed at many points; each
// time the file must hold the run's state after its last reported write or after the write
// that was under way, with every other line intact. Reads during the run see whole files.
#include "platform/App.h"
#include "startup/MainMod.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The keys the run changes, in turn, and the values each of them takes, in turn.
const QList<QPair<QByteArray, QByteArrayList>> changes = {
    {"LeftPos", {"120", "2400.5", "-35"}},
    {"TopPos", {"9000", "15"}},
    {"Font", {"Courier New", "Arial", "DejaVu Sans Mono"}},
    {"KVEServer", {"192.168.1.20", "sim"}},
    {"MsgDelay", {"5", "120", "30"}},
    {"FontSize", {"9.75", "12"}}};
constexpr int kWrites = 10000, kKills = 20, kPeriod = 36; // the run's states repeat every 36

QByteArray valueOf(int write) {
    const QByteArrayList& values = changes[write % changes.size()].second;
    return values[(write / changes.size()) % values.size()];
}

// The value of changes[i] after the first n writes; null while it has not been written.
QByteArray valueAfter(int i, int n) {
    const int count = int(changes.size());
    return n > i ? valueOf(i + count * ((n - 1 - i) / count)) : QByteArray();
}

// The file after the first n writes: the lines of the changed keys hold their last values.
QByteArray fileAfter(const QByteArray& initial, int n) {
    QByteArray file;
    for (QByteArray line : initial.split('\n')) {
        const QByteArray key = line.left(line.indexOf('='));
        for (int i = 0; i < changes.size(); ++i)
            if (changes[i].first == key && !valueAfter(i, n).isNull())
                line = key + '=' + valueAfter(i, n) + '\r';
        file += line.isEmpty() ? "" : line + '\n';
    }
    return file;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestKillWrite : public QObject {
    Q_OBJECT

private slots:
    void killedWritesLeaveWholeFiles() {
        QTemporaryDir dir;
        App::SetLocationForTesting(QDir::toNativeSeparators(dir.path()).toStdString(),
                                   "Wingscribe");
        MainMod::Settings.IniPath = MainMod::SettingsFilePath();
        MainMod::CreateDefaultIni();
        const QString ini = dir.filePath("Wingscribe.ini");
        const QByteArray initial = readAll(ini);
        QCOMPARE(initial.count('\n'), 22); // the section line and 21 keys
        QSet<QByteArray> whole; // every state the file can be in, once each key was written
        for (int n = kPeriod; n < 2 * kPeriod; ++n)
            whole.insert(fileAfter(initial, n));

        int done = 0; // writes of the run that the file holds
        for (int kill = 0; kill <= kKills; ++kill) {
            int progress[2];
            QVERIFY(::pipe(progress) == 0);
            const pid_t child = ::fork();
            if (child == 0) { // reports each finished write with one byte
                for (int n = done; n < kWrites; ++n) {
                    MainMod::WriteIniKey("Config", changes[n % changes.size()].first.toStdString(),
                                         valueOf(n).toStdString());
                    if (::write(progress[1], "w", 1) != 1)
                        ::_exit(1);
                }
                ::_exit(0);
            }
            QVERIFY(child > 0);
            ::close(progress[1]);
            // Kills spread over the run, a few reads after the target count so that they hit
            // the writes at different stages; the last writer runs to the end.
            const int target = kill < kKills ? kWrites * (kill + 1) / (kKills + 1) : kWrites;
            int reported = done;
            char bytes[512];
            for (ssize_t got = 1; got > 0 && reported < target;)
                reported += int(got = ::read(progress[0], bytes, std::min(512, target - reported)));
            for (int read = 0; read < kill % 4; ++read)
                QVERIFY(whole.contains(readAll(ini)));
            if (kill < kKills)
                ::kill(child, SIGKILL);
            int status = 0;
            QCOMPARE(::waitpid(child, &status, 0), child);
            for (ssize_t got = 1; got > 0;)
                reported += int(got = ::read(progress[0], bytes, sizeof bytes));
            ::close(progress[0]);
            QVERIFY(reported >= target && (kill < kKills || status == 0));

            const QByteArray file = readAll(ini);
            done = file == fileAfter(initial, reported + 1) ? reported + 1 : reported;
            QCOMPARE(file, fileAfter(initial, done));
            for (int i = 0; i < changes.size(); ++i) // and the program reads it so
                QCOMPARE(MainMod::ReadIniKey("Config", changes[i].first.toStdString(), ""),
                         valueAfter(i, done).toStdString());

            // A kill may strand a half-written copy beside the file; the next write removes
            // it, so there is never more than one, and none after a writer that finished.
            const QFileInfoList files = QDir(dir.path()).entryInfoList(QDir::Files | QDir::Hidden);
            QVERIFY(files.size() <= (kill < kKills ? 2 : 1));
            for (const QFileInfo& info : files)
                QVERIFY(info.size() <= 2 * initial.size());
        }
    }
};

QTEST_MAIN(TestKillWrite)
#include "tst_killwrite.moc"
