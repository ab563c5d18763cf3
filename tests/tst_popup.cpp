// The caption window's mouse handling and the choice window that its right click opens:
// placement, the top-most rule around it, and where each of its buttons leads.
#include "options/frmOptions.h"
#include "platform/App.h"
#include "platform/MsgBox.h"
#include "platform/Twips.h"
#include "platform/WindowApi.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"
#include "ui/frmPopup.h"
#include "ui/frmSetup.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using MainMod::Settings;

class TestPopup : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    static frmMain& caption() { return frmMain::Get(); }
    static std::string key(const char* name) { return MainMod::ReadIniKey("Config", name, ""); }
    static void put(const char* name, const std::string& v) {
        MainMod::WriteIniKey("Config", name, v);
    }
    // Where the placement arithmetic puts a window centred over the caption, in whole pixels.
    static float centredOver(const QWidget* window) {
        const float left = Twips::Left(&caption()) + Twips::Width(&caption()) / 2;
        return Twips::FromPixels(Twips::ToPixels(left - Twips::Width(window) / 2));
    }

    // Right-clicks the caption text and runs `body` inside the choice window; a body that
    // leaves the choice window open has it closed with Esc.
    template <class Body> void inChoiceWindow(Body body) {
        QTimer::singleShot(0, &caption(), [body] {
            QPointer<frmPopup> popup = &frmPopup::Get();
            body(*popup);
            if (popup && popup->isVisible())
                QTest::keyClick(popup, Qt::Key_Escape);
        });
        caption().lblCaption_MouseDown(frmMain::vbRightButton);
    }

private slots:
    void initTestCase() {
        qputenv("HOME", QFile::encodeName(dir.path())); // the saved layouts stay in here
        QStandardPaths::setTestModeEnabled(true);
        App::SetLocationForTesting(dir.path().toStdString(), "Wingscribe");
        Settings.IniPath = MainMod::SettingsFilePath();
        MainMod::CreateDefaultIni();
        MsgBox::SetAnswererForTesting([](const MsgBox::Call& call) {
            return int((call.buttons & 7) == MsgBox::vbYesNo ? MsgBox::vbYes : MsgBox::vbOK);
        });
        caption().timMonitorConnection.SetEnabled(false);
        caption().show();
        QVERIFY(QTest::qWaitForWindowExposed(&caption()));
    }

    void rightClickOpensChoiceOverCaption_data() {
        QTest::addColumn<QByteArray>("onTop");
        for (const char* value : {"1", "0", "", "1 / yes"})
            QTest::newRow(value) << QByteArray(value);
    }

    void rightClickOpensChoiceOverCaption() {
        QFETCH(QByteArray, onTop);
        put("AlwaysOnTop", onTop.toStdString());
        SetWindowPos(HandleOf(&caption()), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        bool opened = false;
        inChoiceWindow([&](frmPopup& popup) {
            opened = true;
            QVERIFY(QTest::qWaitForWindowActive(&popup));
            QCOMPARE(Twips::Left(&popup), centredOver(&popup));
            QCOMPARE(Twips::Top(&popup), Twips::Top(&caption()));
            QVERIFY(!IsTopMost(&caption()));
            QStringList captions;
            for (QPushButton* button : popup.cmdChoose)
                captions << button->text();
            QCOMPARE(captions, QStringList({"&Go to Options", "&Close this Window",
                                            "&End Wingscribe", "&Go to Setup"}));
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), popup.cmdChoose[0], 5000);
            QVERIFY(popup.cmdChoose[frmPopup::GoToSetup]->isDefault());
            QTest::keyClick(&popup, Qt::Key_Escape); // "Close this Window"
        });
        QVERIFY(opened);
        QCOMPARE(IsTopMost(&caption()), onTop == "1");
    }

    void optionsOpenCentredAndOnScreen_data() {
        QTest::addColumn<bool>("nearBottom");
        QTest::newRow("top of screen") << false;
        QTest::newRow("bottom of screen") << true;
    }

    void optionsOpenCentredAndOnScreen() {
        QFETCH(bool, nearBottom);
        const float top = nearBottom ? Twips::ScreenHeight() - Twips::Height(&caption()) : 0;
        Twips::SetTop(&caption(), top);
        bool opened = false;
        inChoiceWindow([&](frmPopup& popup) {
            QTimer::singleShot(0, [&] {
                frmOptions& options = frmOptions::Get();
                opened = options.isVisible();
                // Centred over the caption; tops level unless the bottom edge would leave the
                // screen, where it sits on the screen's bottom edge instead.
                const float bottom = Twips::Top(&options) + Twips::Height(&options);
                [&] {
                    QCOMPARE(
                        QPointF(Twips::Left(&options), nearBottom ? bottom : Twips::Top(&options)),
                        QPointF(centredOver(&options), nearBottom ? Twips::ScreenHeight() : top));
                }();
                options.cmdClose->click();
            });
            popup.cmdChoose[frmPopup::GoToOptions]->click();
            QVERIFY(!frmPopup::Exists());
        });
        QVERIFY(opened);
    }

    void setupShowsStoredServerAndReturns() {
        put("KVEServer", "sim-pc / the flight deck");
        Settings.KVEServer = "stale";
        QString shown;
        inChoiceWindow([&](frmPopup& popup) {
            QTimer::singleShot(0, [&] {
                frmSetup& setup = frmSetup::Get();
                shown = setup.txtHost->text() + "|" + Settings.KVEServer.c_str();
                setup.cmdCancel->click();
            });
            popup.cmdChoose[frmPopup::GoToSetup]->click();
            QVERIFY(frmPopup::Exists() && popup.isVisible());
        });
        QCOMPARE(shown, "sim-pc|sim-pc"); // the record was refreshed before the dialog
    }

    void dragMovesWindowAndRecordsPosition_data() {
        QTest::addColumn<QPoint>("travel");
        QTest::newRow("moved") << QPoint(40, -25);
        QTest::newRow("pressed only") << QPoint(0, 0);
    }

    void dragMovesWindowAndRecordsPosition() {
        QFETCH(QPoint, travel);
        put("LeftPos", "none");
        put("TopPos", "none");
        QLabel* label = caption().lblCaption;
        const QPoint start = caption().pos();
        const QPoint press = label->rect().center();
        const QPoint target = label->mapToGlobal(press) + travel;
        QCursor::setPos(label->mapToGlobal(press)); // where the user's pointer is
        QTimer::singleShot(0, label, [=] {
            QTest::mouseMove(label, label->mapFromGlobal(target));
            QTest::mouseRelease(label, Qt::LeftButton, {}, label->mapFromGlobal(target));
        });
        QTest::mousePress(label, Qt::LeftButton, {}, press); // returns after the release
        QCOMPARE(caption().pos(), start + travel);
        QCOMPARE(key("LeftPos"), QByteArray::number(Twips::Left(&caption())).toStdString());
        QCOMPARE(key("TopPos"), QByteArray::number(Twips::Top(&caption())).toStdString());
    }

    void rightClickOnMarginOpensNothing() {
        QTimer guard; // closes whatever might open, so a fault cannot hang the test
        bool opened = false;
        connect(&guard, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget())
                opened = modal->close();
        });
        guard.start(0);
        caption().Form_MouseDown(frmMain::vbRightButton);
        QVERIFY(!opened && !frmPopup::Exists());
    }

    // Last: ending the program quits the application's event loops.
    void endSavesLayoutAndUnloadsCaption() {
        Twips::SetLeft(&caption(), 450);
        const QRect frame = caption().frameGeometry();
        inChoiceWindow([](frmPopup& popup) { popup.cmdChoose[frmPopup::EndWingscribe]->click(); });
        QVERIFY(!frmMain::Exists());
        QSettings saved(QSettings::IniFormat, QSettings::UserScope, "Wingscribe", "layouts");
        const QStringList groups = saved.childGroups();
        QCOMPARE(groups.size(), 1);
        QCOMPARE(saved.value(groups[0] + "/frame").toRect(), frame);
    }
};

QTEST_MAIN(TestPopup)
#include "tst_popup.moc"
