// The caption window's layout: kept between runs, moved and sized from the keyboard down to a
// floor, and the caption label in proportion to the window.
#include "CaptionFixture.h"
#include "platform/Twips.h"

#include <QLabel>
#include <QScreen>
#include <QSettings>

using namespace fixture;

class TestLayout : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    static ActiveResize& resizer() { return *caption().ActiveResize1; }
    // The label's margins and size in the proportions of the design client area.
    static void labelInProportion() {
        const QRect client = caption().contentsRect(), label = caption().lblCaption->geometry();
        const float sx = Twips::FromPixels(client.width()) / frmMain::DesignClientWidth;
        const auto near = [](int actual, float twips) {
            return std::abs(actual - twips / Twips::PerPixel) <= 1;
        };
        QVERIFY(near(label.left() - client.left(), 120 * sx));
        QVERIFY(near(client.right() - label.right(), 330 * sx));
        QVERIFY(label.top() == client.top() && std::abs(label.height() - client.height()) <= 1);
        QCOMPARE(caption().lblCaption->font().pointSizeF(), 12.0); // fonts are not scaled
    }

private slots:
    void initTestCase() { showCaption(dir); }

    void layoutKeptUnderKeyOfAnyCase() {
        caption().setGeometry(40, 30, 500, 70);
        const QRect saved = caption().frameGeometry();
        resizer().SaveFormLayout(&caption(), true, "Wingscribe");
        caption().setGeometry(90, 120, 640, 90);
        const QRect moved = caption().frameGeometry();
        resizer().RestoreFormLayout(&caption(), true, "wingscribe-never-saved");
        QCOMPARE(caption().frameGeometry(), moved);
        resizer().RestoreFormLayout(&caption(), true, "wingscribe");
        QCOMPARE(caption().frameGeometry(), saved);
        labelInProportion();
    }

    // A layout left on a screen that is gone comes back whole; one partly on the screen stays.
    void layoutOffEveryScreenComesBack() {
        const QRect screen = caption().screen()->availableGeometry();
        for (const QPoint place :
             {QPoint(-5000, -4000), QPoint(screen.right() + 900, screen.bottom() + 700),
              QPoint(screen.right() - 150, 20)}) {
            caption().setGeometry(QRect(place, QSize(400, 50)));
            const QRect saved = caption().frameGeometry();
            resizer().SaveFormLayout(&caption(), true, "away");
            caption().move(10, 10);
            resizer().RestoreFormLayout(&caption(), true, "away");
            const QRect restored = caption().frameGeometry();
            QCOMPARE(restored.size(), saved.size());
            QVERIFY2(screen.intersects(saved) ? restored == saved : screen.contains(restored),
                     qPrintable(QDebug::toString(restored)));
        }
    }

    void keyboardMovesAndSizes_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QList<int>>("change"); // twips per press: left, top, width, height
        const int left = Qt::Key_Left, right = Qt::Key_Right, up = Qt::Key_Up, down = Qt::Key_Down;
        const int shift = Qt::ShiftModifier, ctrl = Qt::ControlModifier, none = 0;
        QTest::newRow("Shift+Left") << left << shift << QList<int>{-10, 0, 0, 0};
        QTest::newRow("Shift+Right") << right << shift << QList<int>{10, 0, 0, 0};
        QTest::newRow("Shift+Up") << up << shift << QList<int>{0, -10, 0, 0};
        QTest::newRow("Shift+Down") << down << shift << QList<int>{0, 10, 0, 0};
        QTest::newRow("Ctrl+Left") << left << ctrl << QList<int>{0, 0, -10, 0};
        QTest::newRow("Ctrl+Right") << right << ctrl << QList<int>{0, 0, 10, 0};
        QTest::newRow("Ctrl+Up") << up << ctrl << QList<int>{0, 0, 0, -10};
        QTest::newRow("Ctrl+Down") << down << ctrl << QList<int>{0, 0, 0, 10};
        QTest::newRow("Left") << left << none << QList<int>{0, 0, 0, 0};
        QTest::newRow("Shift+Alt+Left")
            << left << int(shift | Qt::AltModifier) << QList<int>{0, 0, 0, 0};
        QTest::newRow("Ctrl+Shift+Right") << right << (ctrl | shift) << QList<int>{0, 0, 0, 0};
        QTest::newRow("Shift+Home") << int(Qt::Key_Home) << shift << QList<int>{0, 0, 0, 0};
    }

    void keyboardMovesAndSizes() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QList<int>, change);
        caption().setGeometry(200, 150, 600, 60);
        const QRect before = caption().frameGeometry();
        const QByteArray settings = file();
        for (int press = 0; press < 3; ++press)
            QTest::keyClick(&caption(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const auto px = [&](int i) { return 3 * Twips::ToPixels(change[i]); }; // whole pixels
        QCOMPARE(caption().frameGeometry(), QRect(before.topLeft() + QPoint(px(0), px(1)),
                                                  before.size() + QSize(px(2), px(3))));
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
            resizer().RestoreFormLayout(&caption(), true, "tiny");
        }
        QCOMPARE(caption().frameGeometry().size(), floor);
        QCOMPARE(caption().pos(), way == 2 ? QPoint(300, 200) : QPoint(200, 150));
        QVERIFY(caption().isVisible());
        caption().SetCaptionFontSize(12);
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
