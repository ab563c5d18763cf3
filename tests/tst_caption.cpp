// SPDX-License-Identifier: GPL-3.0-or-later
// The caption window and the windows it opens: its layout, kept between runs, moved and sized
// from the keyboard down to a floor; the choice window its right click opens; and the setup
// dialog a supervisor tick opens while no server is set.
#include "CaptionFixture.h"
#include "options/frmOptions.h"
#include "platform/Twips.h"
#include "platform/WindowApi.h"
#include "ui/frmPopup.h"
#include "ui/frmSetup.h"

using namespace User32;
using MainMod::Settings;

class TestCaption : public QObject, CaptionFixture {
    Q_OBJECT

    QTemporaryDir dir;
    QStringList boxes; // buttons, title and text of each message box
    int boxAnswer = MsgBox::vbOK;

    static void rightClick() { caption().lblCaption_MouseDown(frmMain::vbRightButton); }
    static void tick() { Q_EMIT caption().timMonitorConnection.Timer(); }
    static ActiveResize& resizer() { return *caption().ActiveResize1; }
    // The label keeps the design's margins (120 and 330 twips) in proportion to the window and
    // the client area's height, to a pixel; its font is not scaled.
    static void labelInProportion() {
        const QRect client = caption().contentsRect(), label = caption().lblCaption->geometry();
        const double perTwip = client.width() / double(frmMain::DesignClientWidth);
        const QRect design =
            client.marginsRemoved({qRound(120 * perTwip), 0, qRound(330 * perTwip), 0});
        const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
        QVERIFY2(near(label.left(), design.left()) && near(label.right(), design.right()) &&
                     label.top() == design.top() && near(label.bottom(), design.bottom()),
                 qPrintable(QDebug::toString(label) + " for " + QDebug::toString(design)));
        QCOMPARE(caption().lblCaption->font().pointSizeF(), 12.0);
    }

private slots:
    void initTestCase() {
        showCaption(dir);
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes << QString::number(call.buttons) + " " + call.title.c_str() + ": " +
                         call.prompt.c_str();
            return boxAnswer;
        });
    }

    // A stored layout comes back under the program's name in any case, and a name never
    // stored leaves the window be; one left on a screen that is gone comes back whole.
    void layoutRestored() {
        const QRect screen = caption().screen()->availableGeometry();
        for (const QPoint place : {QPoint(40, 30), QPoint(screen.right() - 150, 20),
                                   QPoint(-5000, -4000), screen.bottomRight() + QPoint(900, 700)}) {
            caption().setGeometry(QRect(place, QSize(500, 70)));
            const QRect saved = caption().frameGeometry();
            resizer().SaveFormLayout(&caption(), true, "Wingscribe");
            caption().setGeometry(90, 120, 640, 90);
            const QRect moved = caption().frameGeometry();
            resizer().RestoreFormLayout(&caption(), true, "wingscribe-never-saved");
            QCOMPARE(caption().frameGeometry(), moved);
            resizer().RestoreFormLayout(&caption(), true, "wingscribe");
            const QRect restored = caption().frameGeometry();
            QCOMPARE(restored.size(), saved.size());
            QVERIFY2(screen.intersects(saved) ? restored == saved : screen.contains(restored),
                     qPrintable(QDebug::toString(restored)));
        }
        labelInProportion();
    }

    // Shift with an arrow moves the window by 10 twips a press, Ctrl sizes it, each press to
    // the nearest whole pixel; nothing else does either, nor writes LeftPos or TopPos.
    void keyboardMovesAndSizes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QRect>("change"); // twips per press: moved by x, y; sized by w, h
        const int shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        for (auto [name, key, step] : {std::tuple{"Left", Qt::Key_Left, QPoint(-10, 0)},
                                       {"Right", Qt::Key_Right, QPoint(10, 0)},
                                       {"Up", Qt::Key_Up, QPoint(0, -10)},
                                       {"Down", Qt::Key_Down, QPoint(0, 10)}}) {
            QTest::addRow("Shift+%s", name) << int(key) << shift << QRect(step, QSize(0, 0));
            QTest::addRow("Ctrl+%s", name) << int(key) << ctrl << QRect(0, 0, step.x(), step.y());
            QTest::addRow("Shift+Alt+%s", name)
                << int(key) << int(shift | Qt::AltModifier) << QRect();
            QTest::addRow("Ctrl+Shift+%s", name) << int(key) << int(ctrl | shift) << QRect();
        }
        QTest::newRow("Left") << int(Qt::Key_Left) << 0 << QRect();
        QTest::newRow("Shift+Home") << int(Qt::Key_Home) << shift << QRect();
    }

    void keyboardMovesAndSizes() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QRect, change);
        caption().setGeometry(200, 150, 600, 60);
        const QRect before = caption().frameGeometry();
        const QByteArray settings = file();
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(&caption(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const auto px = [](int twips) { return 3 * Twips::ToPixels(twips); };
        QCOMPARE(caption().frameGeometry(),
                 before.adjusted(px(change.x()), px(change.y()), px(change.x() + change.width()),
                                 px(change.y() + change.height())));
        labelInProportion();
        QCOMPARE(file(), settings); // no LeftPos or TopPos written
    }

    // However far the window is shrunk, by its sizing frame or by a stored layout (by keys: see
    // the end-to-end suite), it keeps one line of the caption font and 100 pixels of width.
    void sizeHasFloor_data() {
        QTest::addColumn<bool>("byFrame");
        QTest::newRow("sizing frame") << true;
        QTest::newRow("restored layout") << false;
    }

    void sizeHasFloor() {
        QFETCH(bool, byFrame);
        caption().SetCaptionFontSize(20);
        caption().setGeometry(200, 150, 600, 80);
        const QMargins frame = caption().contentsMargins();
        QVERIFY(!frame.isNull()); // the default file shows the sizing frame
        const QSize floor(frmMain::MinimumWidth,
                          QFontMetrics(caption().lblCaption->font()).height() + frame.top() +
                              frame.bottom());
        if (byFrame) { // the bottom-right corner dragged up and left past the top-left
            const QPoint corner(caption().width() - 2, caption().height() - 2);
            QCursor::setPos(caption().mapToGlobal(corner));
            QTimer::singleShot(0, &caption(), [&] {
                QTest::mouseMove(&caption(), QPoint(-700, -300));
                QTest::mouseRelease(&caption(), Qt::LeftButton, {}, QPoint(-700, -300));
            });
            QTest::mousePress(&caption(), Qt::LeftButton, {}, corner);
        } else { // a layout stored by an older version, or edited by hand
            QSettings store(ActiveResize::StoreFile(), QSettings::IniFormat);
            store.setValue(QByteArray("tiny").toHex() + "/frame", QRect(300, 200, 10, 3));
            store.setValue(QByteArray("tiny").toHex() + "/client", QSize(10, 3));
            store.sync();
            resizer().RestoreFormLayout(&caption(), true, "tiny");
        }
        QCOMPARE(caption().frameGeometry().size(), floor);
        QCOMPARE(caption().pos(), byFrame ? QPoint(200, 150) : QPoint(300, 200));
        QVERIFY(caption().isVisible());
        caption().SetCaptionFontSize(12);
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
            const QRect frame = popup.frameGeometry(), under = caption().frameGeometry();
            QVERIFY(std::abs(frame.center().x() - under.center().x()) <= 1);
            QCOMPARE(frame.top(), under.top());
            QVERIFY(!IsTopMost(&caption()) && !popup.windowIcon().isNull());
            QTRY_COMPARE_WITH_TIMEOUT(QApplication::focusWidget(), popup.cmdChoose[0], 5000);
        });
        QCOMPARE(IsTopMost(&caption()), onTop == "1");
    }

    // "Go to Options" centres the options window over the caption with the tops level, but
    // never lets it hang below the screen's bottom edge.
    void optionsOverCaptionAndOnScreen() {
        const int screenBottom = Twips::ToPixels(Twips::ScreenHeight());
        for (const bool low : {false, true}) {
            Twips::SetTop(&caption(), low ? Twips::ScreenHeight() - Twips::Height(&caption()) : 0);
            QRect placed;
            whileModal<frmPopup>(rightClick, [&](frmPopup& popup) {
                whileModal<frmOptions>([&] { popup.cmdChoose[frmPopup::GoToOptions]->click(); },
                                       [&](frmOptions& o) { placed = o.frameGeometry(); });
            });
            const QRect under = caption().frameGeometry();
            QVERIFY(std::abs(placed.center().x() - under.center().x()) <= 1);
            QCOMPARE(low ? placed.bottom() + 1 : placed.top(), low ? screenBottom : under.top());
        }
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
            QVERIFY(setup.pos() == caption().pos() && setup.windowIcon().isNull());
            setup.txtHost->setText("   ");
            setup.cmdConfirm->click();
            boxAnswer = MsgBox::vbNo;
            setup.cmdCancel->click();
            QVERIFY(setup.isVisible());
            setup.txtHost->setText("typed but cancelled");
        }); // rejected, as by Esc: the text stays unwritten
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

QTEST_MAIN(TestCaption)
#include "tst_caption.moc"
