// The caption window's layout: kept between runs, moved and sized from the keyboard, the
// caption label in proportion to the window, and the top-most rule.
#include "platform/ActiveResize.h"
#include "platform/App.h"
#include "platform/Twips.h"
#include "platform/WindowApi.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace User32;

class TestLayout : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    frmMain& caption() { return frmMain::Get(); }
    QByteArray file() {
        QFile f(QString::fromStdString(MainMod::Settings.IniPath).replace('\\', '/'));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The label's margins and size in the proportions of the design client area.
    void labelInProportion() {
        const QRect client = caption().contentsRect(), label = caption().lblCaption->geometry();
        const float sx = Twips::FromPixels(client.width()) / frmMain::DesignClientWidth;
        const auto near = [](int actual, float twips) {
            return std::abs(actual - twips / Twips::PerPixel) <= 1;
        };
        QVERIFY(near(label.left() - client.left(), 120 * sx));
        QVERIFY(near(client.right() - label.right(), 330 * sx));
        QCOMPARE(label.top(), client.top());
        QVERIFY(std::abs(label.height() - client.height()) <= 1);
        QCOMPARE(caption().lblCaption->font().pointSizeF(), 12.0); // fonts are not scaled
    }

private slots:
    void initTestCase() {
        ActiveResize::SetStoreFileForTesting(dir.filePath("layouts.ini"));
        App::SetLocationForTesting(dir.path().toStdString(), "Wingscribe");
        MainMod::Settings.IniPath = MainMod::SettingsFilePath();
        MainMod::CreateDefaultIni();
        caption().timMonitorConnection.SetEnabled(false);
        caption().show();
        QVERIFY(QTest::qWaitForWindowExposed(&caption()));
    }

    void layoutKeptUnderKeyOfAnyCase() {
        ActiveResize& resizer = *caption().ActiveResize1;
        caption().setGeometry(40, 30, 500, 70);
        const QRect saved = caption().frameGeometry();
        resizer.SaveFormLayout(&caption(), true, "Wingscribe");
        caption().setGeometry(90, 120, 640, 90);
        const QRect moved = caption().frameGeometry();
        resizer.RestoreFormLayout(&caption(), true, "wingscribe-never-saved");
        QCOMPARE(caption().frameGeometry(), moved);
        resizer.RestoreFormLayout(&caption(), true, "wingscribe");
        QCOMPARE(caption().frameGeometry(), saved);
        labelInProportion();
    }

    void layoutOffEveryScreenComesBack() {
        const QRect screen = caption().screen()->availableGeometry();
        ActiveResize& resizer = *caption().ActiveResize1;
        const QPoint places[] = {{-5000, -4000},
                                 {screen.right() + 900, screen.bottom() + 700},
                                 {screen.right() - 150, 20}}; // the last partly on the screen
        for (const QPoint& place : places) {
            caption().setGeometry(QRect(place, QSize(400, 50)));
            const QRect saved = caption().frameGeometry();
            resizer.SaveFormLayout(&caption(), true, "away");
            caption().move(10, 10);
            resizer.RestoreFormLayout(&caption(), true, "away");
            const QRect restored = caption().frameGeometry();
            QCOMPARE(restored.size(), saved.size());
            if (screen.intersects(saved))
                QCOMPARE(restored, saved);
            else
                QVERIFY2(screen.contains(restored), qPrintable(QDebug::toString(restored)));
        }
    }

    void keyboardMovesAndSizes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPoint>("move"); // twips
        QTest::addColumn<QSize>("size");
        const auto row = [](const char* name, Qt::Key key, Qt::KeyboardModifiers modifiers,
                            QPoint move, QSize size) {
            QTest::newRow(name) << int(key) << int(modifiers) << move << size;
        };
        const Qt::KeyboardModifiers shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier;
        row("Shift+Left", Qt::Key_Left, shift, {-10, 0}, {});
        row("Shift+Right", Qt::Key_Right, shift, {10, 0}, {});
        row("Shift+Up", Qt::Key_Up, shift, {0, -10}, {});
        row("Shift+Down", Qt::Key_Down, shift, {0, 10}, {});
        row("Ctrl+Left", Qt::Key_Left, ctrl, {}, {-10, 0});
        row("Ctrl+Right", Qt::Key_Right, ctrl, {}, {10, 0});
        row("Ctrl+Up", Qt::Key_Up, ctrl, {}, {0, -10});
        row("Ctrl+Down", Qt::Key_Down, ctrl, {}, {0, 10});
        row("Left", Qt::Key_Left, {}, {}, {});
        row("Shift+Alt+Left", Qt::Key_Left, shift | Qt::AltModifier, {}, {});
        row("Ctrl+Shift+Right", Qt::Key_Right, ctrl | shift, {}, {});
        row("Shift+Home", Qt::Key_Home, shift, {}, {});
    }

    void keyboardMovesAndSizes() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QPoint, move);
        QFETCH(QSize, size);
        caption().setGeometry(200, 150, 600, 60);
        const QRect before = caption().frameGeometry();
        const QByteArray settings = file();
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(&caption(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        // Each press goes to the nearest whole pixel.
        const auto px = [](int twips) { return 3 * Twips::ToPixels(twips); };
        QCOMPARE(caption().frameGeometry(),
                 QRect(before.topLeft() + QPoint(px(move.x()), px(move.y())),
                       before.size() + QSize(px(size.width()), px(size.height()))));
        labelInProportion();
        QCOMPARE(file(), settings); // no LeftPos or TopPos written
    }

    // However far the window is shrunk, by keys, by its sizing frame or by a stored layout,
    // it keeps one line of the caption font and 100 pixels of width.
    void sizeHasFloor_data() {
        QTest::addColumn<int>("way");
        QTest::newRow("keys") << 0;
        QTest::newRow("sizing frame") << 1;
        QTest::newRow("restored layout") << 2;
    }

    void sizeHasFloor() {
        QFETCH(int, way);
        caption().SetCaptionFontSize(20);
        caption().setGeometry(200, 150, 600, 80);
        const QMargins frame = caption().contentsMargins();
        QVERIFY(!frame.isNull()); // the default file shows the sizing frame
        const QSize floor(frmMain::MinimumWidth,
                          QFontMetrics(caption().lblCaption->font()).height() + frame.top() +
                              frame.bottom());
        if (way == 0) {
            for (int press = 0; press < 1000; ++press) {
                QTest::keyClick(&caption(), Qt::Key_Up, Qt::ControlModifier);
                QTest::keyClick(&caption(), Qt::Key_Left, Qt::ControlModifier);
            }
        } else if (way == 1) { // the bottom-right corner dragged up and left past the top-left
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
            caption().ActiveResize1->RestoreFormLayout(&caption(), true, "tiny");
        }
        QCOMPARE(caption().frameGeometry().size(), floor);
        QCOMPARE(caption().pos(), way == 2 ? QPoint(300, 200) : QPoint(200, 150));
        QVERIFY(caption().isVisible());
        caption().SetCaptionFontSize(12);
    }

    void onTopOnlyForExactOne() {
        for (const char* value : {"1", "1 / on", "-1", "", "0", "true"}) {
            MainMod::WriteIniKey("Config", "AlwaysOnTop", value);
            const bool expected = value == QByteArray("1");
            SetWindowPos(HandleOf(&caption()), expected ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE);
            caption().CheckOnTopSetting();
            QVERIFY2(IsTopMost(&caption()) == expected, value);
            QVERIFY(caption().isVisible());
        }
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
