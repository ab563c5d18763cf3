// The caption window's mouse handling and the choice window its right click opens.
#include "options/frmOptions.h"
#include "platform/ActiveResize.h"
#include "platform/App.h"
#include "platform/Twips.h"
#include "platform/WindowApi.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"
#include "ui/frmPopup.h"
#include "ui/frmSetup.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace User32;

using MainMod::Settings;

class TestPopup : public QObject {
    Q_OBJECT

    QTemporaryDir dir;

    static frmMain& caption() { return frmMain::Get(); }
    static QString key(const char* name) { return MainMod::ReadIniKey("Config", name, "").c_str(); }
    static void put(const char* name, const char* v) { MainMod::WriteIniKey("Config", name, v); }
    // Where the placement arithmetic puts a window centred over the caption, in whole pixels.
    static float centredOver(const QWidget* window) {
        const float left = Twips::Left(&caption()) + Twips::Width(&caption()) / 2;
        return Twips::FromPixels(Twips::ToPixels(left - Twips::Width(window) / 2));
    }

    // Right-clicks the caption and runs `body` in the choice window; Esc closes it after.
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
        ActiveResize::SetStoreFileForTesting(dir.filePath("layouts.ini"));
        App::SetLocationForTesting(dir.path().toStdString(), "Wingscribe");
        Settings.IniPath = MainMod::SettingsFilePath();
        MainMod::CreateDefaultIni();
        caption().timMonitorConnection.SetEnabled(false);
        caption().show();
        QVERIFY(QTest::qWaitForWindowExposed(&caption()));
    }

    void rightClickOpensChoiceOverCaption_data() {
        QTest::addColumn<QByteArray>("onTop");
        for (const char* value : {"1", "0", "1 / yes"}) // only exactly 1 is top-most again
            QTest::newRow(value) << QByteArray(value);
    }

    void rightClickOpensChoiceOverCaption() {
        QFETCH(QByteArray, onTop);
        put("AlwaysOnTop", onTop);
        SetWindowPos(HandleOf(&caption()), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
        bool opened = false;
        inChoiceWindow([&](frmPopup& popup) {
            opened = true;
            QVERIFY(QTest::qWaitForWindowActive(&popup));
            QCOMPARE(Twips::Left(&popup), centredOver(&popup));
            QCOMPARE(Twips::Top(&popup), Twips::Top(&caption()));
            QVERIFY(!IsTopMost(&caption()));
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), popup.cmdChoose[0], 5000);
            QVERIFY(!popup.windowIcon().isNull());
            QTest::keyClick(&popup, Qt::Key_Escape); // "Close this Window"
        });
        QVERIFY(opened);
        QCOMPARE(IsTopMost(&caption()), onTop == "1");
    }

    void optionsOpenCentredAndOnScreen() {
        for (const bool nearBottom : {false, true}) {
            const float top = nearBottom ? Twips::ScreenHeight() - Twips::Height(&caption()) : 0;
            Twips::SetTop(&caption(), top);
            QPointF placed; // centred, tops level, but never below the screen's bottom edge
            inChoiceWindow([&](frmPopup& popup) {
                QTimer::singleShot(0, [&] {
                    frmOptions& options = frmOptions::Get();
                    const float bottom = Twips::Top(&options) + Twips::Height(&options);
                    if (options.isVisible())
                        placed = {Twips::Left(&options),
                                  nearBottom ? bottom : Twips::Top(&options)};
                    options.cmdClose->click();
                });
                popup.cmdChoose[frmPopup::GoToOptions]->click();
                QVERIFY(!frmPopup::Exists());
            });
            QCOMPARE(placed, QPointF(centredOver(&frmOptions::Get()),
                                     nearBottom ? Twips::ScreenHeight() : top));
        }
    }

    // Enter presses the button that has the focus; on any other control, the default one.
    void enterPressesFocusedButton() {
        caption().SetCaptionText("");
        bool optionsOpened = false;
        inChoiceWindow([&](frmPopup& popup) {
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), popup.cmdChoose[0], 5000);
            QTimer::singleShot(0, [&] {
                frmOptions& options = frmOptions::Get();
                optionsOpened = QTest::qWaitForWindowActive(&options);
                QVERIFY(!options.windowIcon().isNull());
                options.cmdOptions[6]->setFocus(); // the highlight preview
                QTest::keyClick(options.cmdOptions[6], Qt::Key_Return);
                QCOMPARE(caption().CaptionText(), "This is with highlighting ON");
                options.chkLastMsg->setFocus();
                QTest::keyClick(options.chkLastMsg, Qt::Key_Return); // "Close Options"
                QVERIFY(!options.isVisible());
            });
            QTest::keyClick(popup.cmdChoose[0], Qt::Key_Return); // "Go to Options", not Setup
        });
        QVERIFY(optionsOpened && !frmPopup::Exists());
        QCOMPARE(caption().CaptionText(), ""); // closed through its Close button
    }

    // A supervisor tick while the choice window's setup dialog is open and no server is set
    // cannot show the dialog again: it ends there, leaving the user's typing alone.
    void tickWhileSetupOpenEndsSilently() {
        put("KVEServer", "0.0.0.0");
        QString typed;
        inChoiceWindow([&](frmPopup& popup) {
            QTimer::singleShot(0, [&] {
                frmSetup& setup = frmSetup::Get();
                QVERIFY(setup.isVisible() && setup.windowIcon().isNull());
                setup.txtHost->setText("192.0.2.1");
                QTest::failOnWarning(QRegularExpression("."));
                Q_EMIT caption().timMonitorConnection.Timer();
                typed = setup.txtHost->text();
                QVERIFY(setup.isVisible());
                setup.cmdCancel->click();
            });
            popup.cmdChoose[frmPopup::GoToSetup]->click();
        });
        QCOMPARE(typed, "192.0.2.1");
        QCOMPARE(Settings.KVEServer, "0.0.0.0");
    }

    void dragMovesWindowAndRecordsPosition() {
        for (const QPoint travel : {QPoint(40, -25), QPoint(0, 0)}) {
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
            QCOMPARE(key("LeftPos"), QString::number(Twips::Left(&caption())));
            QCOMPARE(key("TopPos"), QString::number(Twips::Top(&caption())));
        }
    }

    // Last: ending the program quits the application's event loops.
    void endSavesLayoutAndUnloadsCaption() {
        Twips::SetLeft(&caption(), 450);
        const QRect frame = caption().frameGeometry();
        inChoiceWindow([](frmPopup& popup) { popup.cmdChoose[frmPopup::EndWingscribe]->click(); });
        QVERIFY(!frmMain::Exists());
        QSettings saved(ActiveResize::StoreFile(), QSettings::IniFormat);
        const QStringList groups = saved.childGroups();
        QCOMPARE(groups.size(), 1);
        QCOMPARE(saved.value(groups[0] + "/frame").toRect(), frame);
    }
};

QTEST_MAIN(TestPopup)
#include "tst_popup.moc"
