// The choice window the caption's right click opens, and the setup dialog a supervisor tick
// opens while no server is set.
#include "CaptionFixture.h"
#include "options/frmOptions.h"
#include "platform/MsgBox.h"
#include "platform/Twips.h"
#include "platform/WindowApi.h"
#include "ui/frmPopup.h"
#include "ui/frmSetup.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace fixture;
using namespace User32;
using MainMod::Settings;

static void rightClick() {
    caption().lblCaption_MouseDown(frmMain::vbRightButton);
}
static void tick() {
    Q_EMIT caption().timMonitorConnection.Timer();
}

class TestPopup : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QStringList boxes; // buttons, title and text of each message box
    int boxAnswer = MsgBox::vbOK;

private slots:
    void initTestCase() {
        showCaption(dir);
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes << QString::number(call.buttons) + " " + call.title.c_str() + ": " +
                         call.prompt.c_str();
            return boxAnswer;
        });
    }

    // Centred over the caption, tops level, "Go to Options" focused, with the program's icon;
    // the caption is not top-most meanwhile, and afterwards only when AlwaysOnTop is exactly 1.
    void rightClickOpensChoiceOverCaption_data() {
        QTest::addColumn<QByteArray>("onTop");
        for (const char* value : {"1", "0", "1 / yes", "-1", "true", ""})
            QTest::addRow("'%s'", value) << QByteArray(value);
    }

    void rightClickOpensChoiceOverCaption() {
        QFETCH(QByteArray, onTop);
        put("AlwaysOnTop", onTop.toStdString());
        SetWindowPos(HandleOf(&caption()), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        whileModal<frmPopup>(rightClick, [](frmPopup& popup) {
            const float middle = Twips::Left(&caption()) + Twips::Width(&caption()) / 2;
            const float left = Twips::ToPixels(middle - Twips::Width(&popup) / 2); // whole pixels
            QCOMPARE(Twips::Left(&popup), Twips::FromPixels(left));
            QCOMPARE(Twips::Top(&popup), Twips::Top(&caption()));
            QVERIFY(!IsTopMost(&caption()) && !popup.windowIcon().isNull());
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), popup.cmdChoose[0], 5000);
        });
        QCOMPARE(IsTopMost(&caption()), onTop == "1");
    }

    // Enter presses the push button that has the focus; on any other control, the default one.
    void enterPressesFocusedButton() {
        caption().SetCaptionText("");
        whileModal<frmPopup>(rightClick, [](frmPopup& popup) {
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), popup.cmdChoose[0], 5000);
            const auto enter = [&] { QTest::keyClick(popup.cmdChoose[0], Qt::Key_Return); };
            whileModal<frmOptions>(enter, [](frmOptions& options) { // not "Go to Setup"
                QTRY_VERIFY(options.isActiveWindow());
                QVERIFY(!options.windowIcon().isNull());
                options.cmdOptions[6]->setFocus(); // the highlight preview
                QTest::keyClick(options.cmdOptions[6], Qt::Key_Return);
                QCOMPARE(caption().CaptionText(), "This is with highlighting ON");
                options.chkLastMsg->setFocus();
                QTest::keyClick(options.chkLastMsg, Qt::Key_Return); // "Close Options"
                QVERIFY(!options.isVisible());
            });
        });
        QVERIFY(!frmPopup::Exists());
        QCOMPARE(caption().CaptionText(), ""); // closed by its Close button, not by Esc after
    }

    // With no server set a tick shows the setup dialog at the caption's corner, without an
    // icon. A blank host is refused; a cancel with text closes without writing; a cancel on
    // an empty box asks, "No" stays and "Yes" stores this PC. A confirmed host is stored
    // without its blanks and taken at once.
    void setupDialogFromTick() {
        put("KVEServer", "0.0.0.0");
        Settings.KVEServer = "0.0.0.0";
        const auto stored = [] { return key("KVEServer") + "|" + Settings.KVEServer.c_str(); };
        whileModal<frmSetup>(tick, [&](frmSetup& setup) {
            QCOMPARE(QPointF(Twips::Left(&setup), Twips::Top(&setup)),
                     QPointF(Twips::Left(&caption()), Twips::Top(&caption())));
            QVERIFY(setup.windowIcon().isNull());
            setup.txtHost->setText("   ");
            setup.cmdConfirm->click();
            boxAnswer = MsgBox::vbNo;
            setup.cmdCancel->click();
            QVERIFY(setup.isVisible());
            setup.txtHost->setText("typed but cancelled");
        }); // Esc
        QCOMPARE(boxes, QStringList({"48 Setup: You need to enter the Name or IP Address of the "
                                     "PC running KVE / KV3!",
                                     "4 Setup: Wingscribe will not work without the correct "
                                     "settings! Skip this Setup?"}));
        QCOMPARE(stored(), "0.0.0.0|0.0.0.0");
        whileModal<frmSetup>(tick, [&](frmSetup& setup) {
            QCOMPARE(setup.txtHost->text(), "0.0.0.0"); // what the last tick put back
            setup.txtHost->clear();
            boxAnswer = MsgBox::vbYes;
            setup.cmdCancel->click();
        });
        QCOMPARE(stored(), "127.0.0.1|127.0.0.1");
        put("KVEServer", "0.0.0.0");
        Settings.KVEServer = "0.0.0.0";
        boxes.clear();
        whileModal<frmSetup>(tick, [&](frmSetup& setup) {
            setup.txtHost->setText(" 192.0 .2.1 ");
            QTest::keyClick(setup.txtHost, Qt::Key_Return);
        });
        QCOMPARE(stored(), "192.0.2.1|192.0.2.1");
        QCOMPARE(boxes, {"64 Setup: Now you can Move and Resize me...\r\n\r\n"
                         "Right-Click me for additional options and/or to Exit."});
    }
};

QTEST_MAIN(TestPopup)
#include "tst_popup.moc"
