// SPDX-License-Identifier: GPL-3.0-or-later
// One copy per user and executable: the instance lock between real processes. The test binary
// doubles as the other copy: "--hold-lock FOLDER NAME" takes the lock for an executable at
// FOLDER named NAME, prints "held" or "refused", and waits to be killed.
#include "platform/App.h"
#include "platform/MsgBox.h"
#include "startup/MainMod.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

void poseAs(const QString& folder, const char* name = "Wingscribe") {
    App::SetLocationForTesting(QDir::toNativeSeparators(folder).toStdString(), name);
}

// Another copy of the program in `folder`, started in another environment, as a start from
// cron, su or ssh is, and its lock attempt's `answer`. Killed when it goes.
struct OtherCopy : QProcess {
    QByteArray answer;
    explicit OtherCopy(const QString& folder) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR", "TMP", "TEMP", "XDG_CACHE_HOME",
                                 "HOME", "LOCALAPPDATA", "USERPROFILE"})
            env.insert(name, folder);
        setProcessEnvironment(env);
        start(QCoreApplication::applicationFilePath(),
              {"--hold-lock", QDir::toNativeSeparators(folder), "Wingscribe"});
        while (state() != NotRunning && !canReadLine())
            waitForReadyRead(10000);
        answer = readLine().trimmed();
    }
    ~OtherCopy() override {
        kill();
        waitForFinished();
    }
};

} // namespace

class TestInstance : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    QStringList boxes;

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        App::SetInstanceLockFolderForTesting({});
        poseAs(dir->path());
        boxes.clear();
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes << QString::fromStdString(call.prompt);
            return int(MsgBox::vbOK);
        });
    }

    // A second start ends at once, silently; another folder or name is another lock.
    void oneCopyPerExecutablePath() {
        auto first = std::make_unique<OtherCopy>(dir->path());
        QCOMPARE(first->answer, QByteArray("held"));
        QVERIFY(!MainMod::Main() && boxes.isEmpty());
        for (const auto& [folder, name] :
             {std::pair{dir->filePath("sub"), "Wingscribe"}, std::pair{dir->path(), "Other"}}) {
            poseAs(folder, name); // gives up the lock it held
            QVERIFY2(!App::PrevInstance(), name);
        }
        poseAs(dir->path());
        first.reset(); // a killed copy leaves the lock free
        QVERIFY(!App::PrevInstance());
        QCOMPARE(OtherCopy(dir->path()).answer, QByteArray("refused"));
    }

    // Where no lock can be made, the program says so and does not start unguarded.
    void noLockNoStart() {
        const QString folder = QDir::toNativeSeparators(dir->filePath("file/locks"));
        QVERIFY(QFile(dir->filePath("file")).open(QFile::WriteOnly));
        App::SetInstanceLockFolderForTesting(folder.toStdString());
        QVERIFY(!MainMod::Main());
        QVERIFY2(boxes.size() == 1 && boxes[0].contains(folder), qPrintable(boxes.join('|')));
        QVERIFY(!QFile::exists(dir->filePath("Wingscribe.ini")));
    }
};

int main(int argc, char* argv[]) {
    if (argc == 4 && qstrcmp(argv[1], "--hold-lock") == 0) {
        App::SetLocationForTesting(argv[2], argv[3]);
        std::puts(App::PrevInstance() ? "refused" : "held");
        std::fflush(stdout);
        std::getchar(); // nothing comes: it waits to be killed
        return 0;
    }
    QApplication app(argc, argv);
    TestInstance test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_instance.moc"
