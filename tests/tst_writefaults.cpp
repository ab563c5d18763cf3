// Settings writes when the system gets in the way: a full disk, a folder that takes no new
// file, owners and links to keep, writers that died half-way, and a person who saves the
// file by hand at the worst moment. Posix only: it forks, limits file sizes and drops to an
// unprivileged user.
#include "platform/App.h"
#include "platform/VbError.h"
#include "platform/posix/IniFile.h"
#include "platform/profile.h"
#include "startup/MainMod.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
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

// Saves as an editor that writes a new file and renames it over the old one does.
void saveByRename(const QString& path, const QByteArray& bytes) {
    saveInPlace(path + ".edit", bytes);
    QVERIFY(::rename(QFile::encodeName(path + ".edit"), QFile::encodeName(path)) == 0);
}

struct stat statOf(const QString& path, bool follow = true) {
    struct stat status {};
    (follow ? ::stat : ::lstat)(QFile::encodeName(path), &status);
    return status;
}

// Runs `body` in a child process and returns its exit status. `unprivileged`: as nobody when
// the test runs as root, who may write anywhere.
int inChild(const std::function<int()>& body, bool unprivileged = false) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (unprivileged && ::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(99);
        ::_exit(body());
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

// A file size limit stands in for a full disk; unlike a full disk it holds for root too.
void limitFileSize(rlim_t bytes) {
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, bytes};
    ::setrlimit(RLIMIT_FSIZE, &limit);
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
    QStringList files() const {
        return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    // Runs `edit` once, at `moment` of the next write.
    static void editAt(Moment moment, std::function<void()> edit) {
        IniFile::SetRaceHookForTesting([moment, edit, done = false](Moment now) mutable {
            if (now == moment && !std::exchange(done, true))
                edit();
        });
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        IniFile::SetRaceHookForTesting({});
    }

    // A write that does not fit leaves the file as it was; a default file that does not fit
    // is not left behind, and the failure names the path and the reason.
    void fullDisk() {
        saveInPlace(ini(), base);
        QVERIFY(QDir(dir->path()).mkdir("new"));
        App::SetLocationForTesting(dir->filePath("new").toStdString(), "Wingscribe");
        const std::string reason =
            dir->filePath("new/Wingscribe.ini").toStdString() + ": " + std::strerror(EFBIG);
        QCOMPARE(inChild([&] {
                     limitFileSize(128);
                     if (put("Font", QByteArray(200, 'x').constData()))
                         return 1;
                     try {
                         MainMod::CreateDefaultIni();
                     } catch (const VbError& error) {
                         return error.Description().find(reason) == std::string::npos ? 2 : 0;
                     }
                     return 3;
                 }),
                 0);
        QCOMPARE(readAll(ini()), base);
        QCOMPARE(files(), QStringList{"Wingscribe.ini"});
        QVERIFY(QDir(dir->filePath("new")).isEmpty(QDir::Files | QDir::Hidden | QDir::System));
    }

    // The folder takes no new file, but the file itself may be written: the write lands, in
    // place, also through a symbolic link that stays one.
    void readOnlyFolderWritesInPlace() {
        QVERIFY(QDir(dir->path()).mkdir("ro"));
        const QString real = dir->filePath("ro/settings.ini"), link = dir->filePath("link.ini");
        saveInPlace(real, base);
        QVERIFY(::symlink("ro/settings.ini", QFile::encodeName(link)) == 0);
        ::chmod(QFile::encodeName(real), 0666);
        ::chmod(QFile::encodeName(dir->filePath("ro")), 0555);
        ::chmod(QFile::encodeName(dir->path()), 0755);
        const ino_t inode = statOf(real).st_ino;
        QCOMPARE(
            inChild([&] { return put("Font", "Tahoma", real) && put("Border", "0", link) ? 0 : 1; },
                    true),
            0);
        ::chmod(QFile::encodeName(dir->filePath("ro")), 0755);
        QCOMPARE(readAll(real), QByteArray(base).replace("Arial", "Tahoma").replace("=1", "=0"));
        QCOMPARE(statOf(real).st_ino, inode);
        QVERIFY(S_ISLNK(statOf(link, false).st_mode));
    }

    void replacementKeepsOwnerModeAndLinks() {
        saveInPlace(ini(), base);
        ::chmod(QFile::encodeName(ini()), 0604);
        if (::getuid() == 0) // only root can give a file to someone else
            QVERIFY(::chown(QFile::encodeName(ini()), 65534, 65534) == 0);
        const QString hard = dir->filePath("hard.ini"), link = dir->filePath("link.ini");
        saveInPlace(hard, base);
        QVERIFY(::link(QFile::encodeName(hard), QFile::encodeName(dir->filePath("hard2.ini"))) ==
                0);
        QVERIFY(::symlink("Wingscribe.ini", QFile::encodeName(link)) == 0);
        const struct stat before = statOf(ini());

        QVERIFY(put("Font", "Tahoma", link) && put("Font", "Tahoma", hard));
        const struct stat after = statOf(ini());
        QVERIFY2(after.st_ino != before.st_ino, "written in place: no replacement to check");
        QCOMPARE(after.st_mode, before.st_mode);
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QVERIFY(S_ISLNK(statOf(link, false).st_mode));
        const QByteArray changed = QByteArray(base).replace("Arial", "Tahoma");
        QCOMPARE(readAll(ini()), changed);
        QCOMPARE(readAll(dir->filePath("hard2.ini")), changed);
    }

    // Temporary files whose writer died go with the next write; one still being written, and
    // files that merely look alike, stay.
    void leftoversOfDeadWritersAreRemoved() {
        saveInPlace(ini(), base);
        const QStringList kept = {".Wingscribe.ini.saving-Live01", ".Wingscribe.ini.saving-1234567",
                                  "Wingscribe.ini.saving-Ab12Cd", "Wingscribe.ini.backup"};
        for (const QString& name : kept + QStringList{".Wingscribe.ini.saving-Dead01"})
            saveInPlace(dir->filePath(name), "half a settings fi");
        const int live = ::open(QFile::encodeName(dir->filePath(kept[0])), O_RDONLY | O_CLOEXEC);
        QVERIFY(live >= 0 && ::flock(live, LOCK_EX | LOCK_NB) == 0);
        QVERIFY(put("Font", "Tahoma"));
        QStringList expected = kept + QStringList{"Wingscribe.ini"}, left = files();
        expected.sort();
        left.sort();
        QCOMPARE(left, expected);
        ::close(live);
        QVERIFY(put("Font", "Arial"));
        QVERIFY(!files().contains(kept[0]));
    }

    void editsSavedMeanwhileAreKept_data() {
        QTest::addColumn<Moment>("moment");
        QTest::addColumn<bool>("byRename");
        QTest::newRow("after the read, by rename") << Moment::AfterRead << true;
        QTest::newRow("after the read, in place") << Moment::AfterRead << false;
        QTest::newRow("before the swap, by rename") << Moment::BeforeSwap << true;
        QTest::newRow("before the swap, in place") << Moment::BeforeSwap << false;
    }

    void editsSavedMeanwhileAreKept() {
        QFETCH(Moment, moment);
        QFETCH(bool, byRename);
        saveInPlace(ini(), base);
        const QByteArray edited = QByteArray(base).replace("=30", "=5");
        editAt(moment, [&] { (byRename ? saveByRename : saveInPlace)(ini(), edited); });
        QVERIFY(put("Font", "Tahoma"));
        QCOMPARE(readAll(ini()), QByteArray(edited).replace("Arial", "Tahoma"));
    }

    // An editor that saves in place empties the file and writes it anew; a write must not
    // take the file in between for the settings.
    void halfSavedFileIsNeverWrittenBack() {
        saveInPlace(ini(), base);
        QVERIFY(put("Font", "Courier")); // the program knows the file now
        const QByteArray edited = QByteArray(base).replace("Arial", "Courier").replace("=30", "=5");
        IniFile::SetRaceHookForTesting([&, step = 0](Moment now) mutable {
            if (now == Moment::AfterRead && step == 0 && ++step)
                saveInPlace(ini(), edited.left(14));
            else if (now == Moment::WhileWaiting && step == 1 && ++step)
                saveInPlace(ini(), edited);
        });
        QVERIFY(put("Border", "0"));
        QCOMPARE(readAll(ini()), QByteArray(edited).replace("Border=1", "Border=0"));
    }

    void keysRemovedOnPurposeStayRemoved() {
        saveInPlace(ini(), base);
        QVERIFY(put("Font", "Courier"));
        const QByteArray edited =
            QByteArray(base).replace("Arial", "Courier").replace("MsgDelay=30\r\n", "");
        editAt(Moment::AfterRead, [&] { saveInPlace(ini(), edited); });
        QVERIFY(put("Border", "0"));
        QCOMPARE(readAll(ini()), QByteArray(edited).replace("Border=1", "Border=0"));
    }
};

QTEST_GUILESS_MAIN(TestWriteFaults)
#include "tst_writefaults.moc"
