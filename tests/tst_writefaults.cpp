// SPDX-License-Identifier: GPL-3.0-or-later
// Settings writes when the system gets in the way: a writer killed half-way, a full disk, owners
// and links to keep, a hand edit at the worst moment, files that others plant. Posix only.
#include "platform/App.h"
#include "platform/VbError.h"
#include "platform/posix/InPlaceSave.h"
#include "platform/posix/IniFile.h"
#include "platform/posix/IniText.h"
#include "platform/profile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using IniFile::Moment;

namespace {

const QByteArray base = "[Config]\r\nFont=Arial\r\nBorder=1\r\nMsgDelay=30\r\n";

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Saves as an editor that rewrites the file itself does.
void saveInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

struct stat statOf(const QString& path, bool follow = true) {
    struct stat status {};
    (follow ? ::stat : ::lstat)(QFile::encodeName(path), &status);
    return status;
}

} // namespace

class TestWriteFaults : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QString ini() const { return dir->filePath("Wingscribe.ini"); }
    static int put(const char* key, const char* value, const QString& path) {
        return Kernel32::WritePrivateProfileStringA("Config", key, value, QFile::encodeName(path));
    }
    int put(const char* key, const char* value) const { return put(key, value, ini()); }
    qsizetype files() const {
        return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size();
    }
    // Makes the edits as a person would, each once, in turn, at its moment of the next writes.
    static void editAt(QList<QPair<Moment, std::function<void()>>> edits) {
        IniFile::SetRaceHookForTesting([edits](Moment now) mutable {
            if (!edits.isEmpty() && edits.front().first == now)
                edits.takeFirst().second();
        });
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        IniFile::SetRaceHookForTesting({});
    }

    // A child makes a long run of writes and is killed at many points. Readers see whole files
    // only, never older than what they saw; a kill leaves a whole file and at most one copy in
    // the making beside it, which the next start removes, leaving files that look alike.
    void killedWritersLeaveWholeFiles() {
        constexpr int kWrites = 1200, kKills = 12;
        auto value = [](int n) { return QByteArray::number(n).leftJustified(n % 7 * 13, '-'); };
        const auto writes = [&](const QByteArray& file) { // n for the file after n writes, or -1
            const int n = std::atoi(file.constData() + file.indexOf("Font=") + 5);
            return file == (n ? QByteArray(base).replace("Arial", value(n)) : base) ? n : -1;
        };
        for (const char* name : {".Wingscribe.ini.saving-1234567", "Wingscribe.ini.saving-Ab12Cd",
                                 "Wingscribe.ini.backup", "Wingscribe.ini"})
            saveInPlace(dir->filePath(name), base);
        int seen = 0, status = 0;
        for (int kill = 0; kill <= kKills; ++kill) {
            const pid_t child = ::fork();
            if (child == 0) {
                for (int n = seen + 1; n <= kWrites; ++n)
                    if (!put("Font", value(n).constData()))
                        ::_exit(1);
                ::_exit(0);
            }
            // Even kills come just after a replacement, odd ones while one is being written.
            const int target = kWrites * (kill + 1) / (kKills + 1);
            int ended = 0; // the writer, once it ended by itself
            while (!ended && (seen < target || (kill % 2 && files() < 5))) {
                ended = ::waitpid(child, &status, WNOHANG);
                const QByteArray file = readAll(ini());
                QVERIFY2(writes(file) >= seen, file.constData());
                seen = writes(file);
            }
            if (!ended && kill < kKills)
                ::kill(child, SIGKILL);
            QVERIFY(ended || ::waitpid(child, &status, 0) == child);
            Kernel32::FinishInterruptedWrites(QFile::encodeName(ini())); // as the next start does
            const QByteArray file = readAll(ini());
            QVERIFY2(seen >= target && writes(file) >= seen && files() == 4, file.constData());
            seen = writes(file);
        }
        QVERIFY(seen == kWrites && status == 0);
    }

    // A file size limit stands in for a full disk, for root too. A change that does not fit
    // leaves the file as it was; a new file that does not fit is not left behind, and the
    // failure names the file and the reason. A read-only file is not written, even by root.
    void fullDisk() {
        saveInPlace(ini(), base);
        const std::string created = dir->filePath("new.ini").toStdString(), big(200, 'x');
        if (::fork() == 0) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{128, 128};
            ::setrlimit(RLIMIT_FSIZE, &limit);
            std::string error;
            try {
                Kernel32::WriteWholeFile(created.c_str(), big);
            } catch (const VbError& e) {
                error = e.Description();
            }
            const bool named = error.find(created + ": " + std::strerror(EFBIG)) != error.npos;
            ::_exit(named && !put("Font", big.c_str()) ? 7 : 1);
        }
        int status = 0;
        QVERIFY(::wait(&status) > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 7);
        QCOMPARE(readAll(ini()), base);
        QCOMPARE(files(), 1);
        QVERIFY(::chmod(QFile::encodeName(ini()), 0444) == 0 && !put("Font", "Tahoma"));
        QCOMPARE(readAll(ini()), base);
    }

    // A replacement keeps owner, group, mode and symbolic link, but follows no link that another
    // user planted in a folder open to all; a file with other hard links is written in place.
    void replacementKeepsOwnerModeAndLinks() {
        saveInPlace(ini(), base);
        ::chmod(QFile::encodeName(ini()), 0604);
        if (::getuid() == 0) // only root can give a file to someone else
            QVERIFY(::chown(QFile::encodeName(ini()), 65534, 65534) == 0);
        const QString hard = dir->filePath("hard.ini"), link = dir->filePath("link.ini");
        saveInPlace(hard, base);
        QVERIFY(::link(QFile::encodeName(hard), QFile::encodeName(hard + "2")) == 0);
        QVERIFY(::symlink("Wingscribe.ini", QFile::encodeName(link)) == 0);
        const struct stat before = statOf(ini());
        QVERIFY(put("Font", "Tahoma", link) && put("Font", "Tahoma", hard));
        const struct stat after = statOf(ini());
        QVERIFY2(after.st_ino != before.st_ino, "written in place: no replacement to check");
        QVERIFY(after.st_mode == before.st_mode && after.st_uid == before.st_uid &&
                after.st_gid == before.st_gid && S_ISLNK(statOf(link, false).st_mode));
        const QByteArray changed = QByteArray(base).replace("Arial", "Tahoma");
        QVERIFY(readAll(ini()) == changed && readAll(hard + "2") == changed);
        if (::getuid() != 0)
            QSKIP("only root can plant a link as another user");
        QVERIFY(::chmod(QFile::encodeName(dir->path()), 01777) == 0 &&
                ::lchown(QFile::encodeName(link), 65534, 65534) == 0);
        QVERIFY(!put("Font", "Arial", link) && readAll(ini()) == changed);
    }

    // A lock file that someone else planted (to hold it locked) is replaced by one of our own.
    void plantedLockFileReplaced() {
        App::SetInstanceLockFolderForTesting(dir->path().toStdString());
        const QByteArray lock = QByteArray::fromStdString(App::InstanceLockPath());
        QVERIFY(QFile(lock).open(QFile::WriteOnly) &&
                ::chmod(lock, ::geteuid() ? 0666 : 0600) == 0);
        QVERIFY(::geteuid() || ::chown(lock, 65534, 65534) == 0); // another's, else ours but open
        struct stat made;
        QVERIFY(!App::PrevInstance() && ::stat(lock, &made) == 0 && made.st_uid == ::getuid() &&
                (made.st_mode & 0777) == 0600);
    }

    // An edit saved meanwhile is kept, after the read or in the instant of the swap. A file that
    // lost keys may be half-way through a save in place: it is watched until it holds still, so
    // a half-saved file is never written back, while keys removed on purpose stay removed.
    void editsSavedMeanwhileAreKept() {
        saveInPlace(ini(), base);
        QByteArray edited = base;
        const auto edit = [&](const char* was, const char* is) { return edited.replace(was, is); };
        editAt({{Moment::AfterRead, [&] { // as an editor that renames a new file over the old one
                     saveInPlace(ini() + "~", edit("=30", "=5"));
                     std::rename(QFile::encodeName(ini() + "~"), QFile::encodeName(ini()));
                 }}});
        QVERIFY(put("Font", "Tahoma"));
        QCOMPARE(readAll(ini()), edit("Arial", "Tahoma"));
        editAt({{Moment::BeforeSwap, [&] { saveInPlace(ini(), edit("=5", "=6")); }}});
        QVERIFY(put("Font", "Courier"));
        QCOMPARE(readAll(ini()), edit("Tahoma", "Courier"));
        editAt({{Moment::AfterRead, [&] { saveInPlace(ini(), edit("=6", "=7").left(14)); }},
                {Moment::WhileWaiting, [&] { saveInPlace(ini(), edited); }}});
        QVERIFY(put("Border", "0"));
        QCOMPARE(readAll(ini()), edit("Border=1", "Border=0"));
        editAt({{Moment::AfterRead, [&] { saveInPlace(ini(), edit("MsgDelay=7\r\n", "")); }}});
        QVERIFY(put("Border", "1"));
        QCOMPARE(readAll(ini()), edit("Border=0", "Border=1"));
    }

    // A change in place (read-only folder, full disk, links) killed after any byte reads as before
    // or after; a start or the next write makes it that text (or before with the first few bytes
    // of a comment line more, too few to tell from the user's own, which read as nothing).
    void inPlaceChangeKilledAnywhere() {
        const auto meaning = [](const std::string& text) { // every key a reader finds, and value
            QStringList found;
            for (const std::string& name : IniText::KeyNames(text)) {
                const std::size_t at = name.find('\n');
                const auto value = IniText::Find(text, name.substr(0, at), name.substr(at + 1));
                found << QString::fromStdString(name + '=' + std::string(value.value_or("?")));
            }
            return found;
        };
        // Shorter, in the first of two sections, with a '[' where a new line will start.
        const std::string before = "; mine\n[config]\nFont=Arial\nK=[x]\nZ=1\n[B]\nA=1",
                          after = IniText::Set(before, "Config", "Font", "A");
        const InPlaceSave::Steps steps = InPlaceSave::Plan(before, after).value();
        std::string file = before;
        for (const InPlaceSave::Step& step : steps) {
            for (std::size_t done = 0; done < std::max<std::size_t>(step.bytes.size(), 1); ++done) {
                const std::string left =
                    InPlaceSave::Apply(file, {{step.at, step.bytes.substr(0, done), false}});
                const std::string healed = InPlaceSave::Apply(left, InPlaceSave::Recovery(left));
                QVERIFY2(meaning(left) == meaning(healed) &&
                             (healed == after ||
                              (healed.size() >= before.size() &&
                               healed.size() < before.size() + std::strlen("\r\n;~wingscribe") &&
                               (before + "\r\n;~wingscribe").rfind(healed, 0) == 0)),
                         left.c_str());
            }
            const bool atStart = &step - &steps.front() < 3; // else the next write puts it right
            saveInPlace(ini(), QByteArray::fromStdString(file)); // as a kill here leaves it
            if (atStart)
                Kernel32::FinishInterruptedWrites(QFile::encodeName(ini()));
            QVERIFY((atStart || put("Font", "A")) &&
                    readAll(ini()).toStdString() == (atStart ? before : after));
            file = InPlaceSave::Apply(file, {step});
        }
        QVERIFY(file == after && InPlaceSave::Recovery(after).empty());
    }

    // Writers killed at their first bytes left only the starts of their records: a start takes
    // them all away, and a file of nothing else takes writes again.
    void startsOfKilledWritersRecordsGo() {
        const QByteArray leftover = "\r\n;~wingscribe unfin";
        saveInPlace(ini(), "[Config]\r\nBorder=1" + leftover + leftover);
        Kernel32::FinishInterruptedWrites(QFile::encodeName(ini()));
        QCOMPARE(readAll(ini()), QByteArray("[Config]\r\nBorder=1"));
        saveInPlace(ini(), leftover);
        QVERIFY(put("Border", "0"));
        QCOMPARE(readAll(ini()), QByteArray("[Config]\r\nBorder=0\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestWriteFaults)
#include "tst_writefaults.moc"
