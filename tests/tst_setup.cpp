// The setup dialog as the caption window's supervisor opens it: at the caption's corner,
// storing the host the user confirms, refusing a blank one, and asking before a cancel
// leaves no host at all.
#include "platform/MsgBox.h"
#include "platform/Twips.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"
#include "ui/frmSetup.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

using MainMod::Settings;

class TestSetup : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QStringList boxes;
    int boxAnswer = MsgBox::vbOK;

    static frmMain& caption() { return frmMain::Get(); }
    static QByteArray stored() {
        return QByteArray::fromStdString(MainMod::ReadSetting("KVEServer") + "|" +
                                         Settings.KVEServer);
    }
    static void noServer() {
        MainMod::WriteIniKey("Config", "KVEServer", "0.0.0.0");
        Settings.KVEServer = "0.0.0.0";
    }

    // Lets a supervisor tick open the setup dialog, plays the user in it, and closes it if
    // the user left it open.
    void inSetupDialog(const std::function<void(frmSetup&)>& user) {
        bool opened = false;
        QTimer::singleShot(0, this, [&] {
            auto* setup = qobject_cast<frmSetup*>(QApplication::activeModalWidget());
            QVERIFY2(setup, "no setup dialog");
            opened = true;
            user(*setup);
            if (setup->isVisible())
                setup->done(QDialog::Rejected);
        });
        Q_EMIT caption().timMonitorConnection.Timer();
        QVERIFY(opened);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir.isValid());
        Settings.IniPath = dir.filePath("Wingscribe.ini").toStdString();
        MainMod::WriteIniKey("Config", "KVEPort", "1008");
        caption().timMonitorConnection.SetEnabled(false); // the tests give the ticks
        caption().show();
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes << QString::number(call.buttons) + " " + call.title.c_str() + ": " +
                         call.prompt.c_str();
            return boxAnswer;
        });
    }

    void init() {
        noServer();
        boxes.clear();
    }

    void cleanupTestCase() {
        frmMain::Unload();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MsgBox::SetAnswererForTesting(nullptr);
    }

    // Opened at the caption's top-left corner; the host is stored without its blanks, the
    // supervisor takes it at once, and the user is told what comes next.
    void confirmStoresHost() {
        QPointF corner(-1, -1);
        inSetupDialog([&](frmSetup& setup) {
            corner = {Twips::Left(&setup), Twips::Top(&setup)};
            setup.txtHost->setText(" 127.0 .0.1 ");
            QTest::keyClick(setup.txtHost, Qt::Key_Return);
        });
        QCOMPARE(corner, QPointF(Twips::Left(&caption()), Twips::Top(&caption())));
        QCOMPARE(stored(), "127.0.0.1|127.0.0.1");
        QCOMPARE(boxes, {"64 Setup: Now you can Move and Resize me...\r\n\r\n"
                         "Right-Click me for additional options and/or to Exit."});
    }

    // A blank host is refused; a cancel with text closes without writing; a cancel on an
    // empty box asks, "No" stays, "Yes" stores this PC.
    void blankOrCancelled() {
        inSetupDialog([&](frmSetup& setup) {
            setup.txtHost->setText("   ");
            setup.cmdConfirm->click();
            QVERIFY(setup.isVisible());
            boxAnswer = MsgBox::vbNo;
            setup.cmdCancel->click();
            QVERIFY(setup.isVisible());
            setup.txtHost->setText("typed but cancelled");
            QTest::keyClick(&setup, Qt::Key_Escape);
            QVERIFY(!setup.isVisible());
        });
        QCOMPARE(boxes, QStringList({"48 Setup: You need to enter the Name or IP Address of the "
                                     "PC running KVE / KV3!",
                                     "4 Setup: Wingscribe will not work without the correct "
                                     "settings! Skip this Setup?"}));
        QCOMPARE(stored(), "0.0.0.0|0.0.0.0");
        QString offered;
        inSetupDialog([&](frmSetup& setup) {
            offered = setup.txtHost->text(); // what the last tick put back into the box
            setup.txtHost->clear();
            boxAnswer = MsgBox::vbYes;
            setup.cmdCancel->click();
        });
        QCOMPARE(offered, "0.0.0.0");
        QCOMPARE(stored(), "127.0.0.1|127.0.0.1");
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
