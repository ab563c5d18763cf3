// One copy per user and executable: the instance lock between real processes. The test binary
// doubles as the other copy: "--hold-lock FOLDER NAME" takes the lock for an executable at
// FOLDER named NAME, prints "held" or "refused", and waits to be killed.
#include "platform/App.h"
#include "platform/MsgBox.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

int holdLock(const char* folder, const char* name) {
    App::SetLocationForTesting(folder, name);
    std::puts(App::PrevInstance() ? "refused" : "held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}

// Another copy of the program in `folder`, started; `Answer()` waits for its lock attempt.
// Killed when it goes.
struct OtherCopy : QProcess {
    explicit OtherCopy(const QString& folder, const QProcessEnvironment& env = {}) {
        if (!env.isEmpty())
            setProcessEnvironment(env);
        start(QCoreApplication::applicationFilePath(),
              {"--hold-lock", QDir::toNativeSeparators(folder), "Wingscribe"});
    }
    ~OtherCopy() override {
        kill();
        waitForFinished();
    }
    QByteArray Answer() {
        while (state() != NotRunning && !canReadLine())
            waitForReadyRead(10000);
        return readLine().trimmed();
    }
};

void poseAs(const QString& folder, const char* name = "Wingscribe") {
    App::SetLocationForTesting(QDir::toNativeSeparators(folder).toStdString(), name);
}

} // namespace

class TestInstance : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QStringList boxes;

private slots:
    void initTestCase() {
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes << QString::fromStdString(call.prompt);
            return int(MsgBox::vbOK);
        });
    }

    void init() {
        dir = std::make_unique<QTemporaryDir>();
        App::SetInstanceLockFolderForTesting({});
        poseAs(dir->path());
        boxes.clear();
    }

    void cleanup() {
        frmMain::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        App::SetInstanceLockFolderForTesting({});
    }

    // A second start ends at once and leaves the settings file alone; a killed copy leaves
    // the lock free. The first copy runs with another environment, as a start from cron, su
    // or ssh does: the lock is the same.
    void secondCopyIsRefusedUntilTheFirstIsKilled() {
        const QByteArray settings = "[Config]\r\nFirstRun=1\r\n";
        QFile file(dir->filePath("Wingscribe.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size());
        file.close();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "TMP", "TEMP", "XDG_CACHE_HOME",
                                 "HOME", "LOCALAPPDATA", "USERPROFILE"})
            env.insert(name, dir->path());

        auto first = std::make_unique<OtherCopy>(dir->path(), env);
        QCOMPARE(first->Answer(), QByteArray("held"));
        QVERIFY(!MainMod::Main());
        QVERIFY(!frmMain::Exists() && boxes.isEmpty());
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), settings);
        first.reset();
        QVERIFY(!App::PrevInstance());
        QCOMPARE(OtherCopy(dir->path()).Answer(), QByteArray("refused"));
    }

    void oneLockPerExecutablePath() {
        OtherCopy first(dir->path());
        QCOMPARE(first.Answer(), QByteArray("held"));
        QVERIFY(App::PrevInstance());
        poseAs(dir->filePath("sub"));
        QVERIFY(!App::PrevInstance());
        poseAs(dir->path(), "Other");
        QVERIFY(!App::PrevInstance());
    }

    // Whatever a copy that was killed left in the lock's place, empty or not, blocks nobody;
    // kills at different moments of the other copy's start leave the lock free every time.
    void nothingLeftBehindBlocksAStart() {
        QVERIFY(!App::PrevInstance()); // makes the lock's folder
        App::ReleaseInstance();
        for (const QByteArray& content : {QByteArray(), QByteArray("12345\nwingscribe\nhost\n")}) {
            QFile file(QString::fromStdString(App::InstanceLockPath()));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
            file.close();
            QVERIFY(!App::PrevInstance());
            App::ReleaseInstance();
        }
        for (int kill = 0; kill < 6; ++kill) {
            {
                OtherCopy other(dir->path());
                if (kill % 3 > 0)
                    other.waitForStarted();
                if (kill % 3 > 1)
                    other.Answer();
            }
            QVERIFY2(!App::PrevInstance(), qPrintable(QString::number(kill)));
            App::ReleaseInstance();
        }
    }

    // Where no lock can be made, the program says so and does not start unguarded.
    void noLockNoStart() {
        QVERIFY(QFile(dir->filePath("file")).open(QIODevice::WriteOnly));
        const QString folder = QDir::toNativeSeparators(dir->filePath("file/locks"));
        App::SetInstanceLockFolderForTesting(folder.toStdString());
        QVERIFY(!MainMod::Main());
        QVERIFY2(boxes.size() == 1 && boxes[0].contains(folder), qPrintable(boxes.join('|')));
        QVERIFY(!frmMain::Exists());
        QVERIFY(!QFile::exists(dir->filePath("Wingscribe.ini")));
    }

    // The lock's folder is the user's alone: one that others may write to is made private.
    void lockFolderIsPrivate() {
#ifdef Q_OS_WIN
        QSKIP("the user's local application data folder is private by its access rights");
#endif
        const QString folder = dir->filePath("locks");
        QVERIFY(QDir(dir->path()).mkdir("locks"));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
        App::SetInstanceLockFolderForTesting(folder.toStdString());
        QVERIFY(!App::PrevInstance());
        QCOMPARE(QFile::permissions(folder) & 0x7077, QFileDevice::Permissions(0x7000));
    }
};

int main(int argc, char* argv[]) {
    if (argc == 4 && qstrcmp(argv[1], "--hold-lock") == 0)
        return holdLock(argv[2], argv[3]);
    QApplication app(argc, argv);
    TestInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instance.moc"
