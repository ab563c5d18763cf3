// SPDX-License-Identifier: GPL-3.0-or-later
// The options dialog: its fill from the file, each change written and read back, and the
// appearance commands: the choosers and the highlight preview (the border toggle is checked end
// to end).
#include "CaptionFixture.h"
#include "options/frmOptions.h"
#include "platform/FontColourChooser.h"
#include "platform/FontDialog.h"
#include "platform/VScrollBar.h"
#include "platform/WindowApi.h"

using MainMod::Settings;
using Kind = FontColourChooser::Kind;

static const QColor text(1, 2, 3), back(4, 5, 6), hText(7, 8, 9), hBack(10, 11, 12);
static const QColor chosen(30, 20, 10); // what the user picks in every colour chooser

class TestOptions : public QObject, CaptionFixture {
    Q_OBJECT

    QTemporaryDir dir;
    QStringList boxes; // each one's title, and HighlightTX2U in the file and in Settings then
    // What the last chooser showed: title, starting values, the caption meanwhile.
    QString saw;
    bool disabledInChooser = false, confirm = true; // confirm: OK, else Cancel

    static int vb(QColor c) { return c.red() | c.green() << 8 | c.blue() << 16; }
    static QString n(int value) { return QString::number(value); }
    static QString looks(QColor text, QColor back) { return text.name() + " on " + back.name(); }
    static QString looksNow() { // the caption's colours and text
        return looks(caption().lblCaption->palette().color(QPalette::WindowText),
                     caption().palette().color(QPalette::Window)) +
               "|" + caption().CaptionText().c_str();
    }
    static QString fontOf(const FontColourChooser& c) {
        return QString("%1|%2|%3|%4")
            .arg(c.ChosenFontName.c_str(), n(c.ChosenFontSize), n(c.ChosenBold), n(c.ChosenItalic));
    }
    static void putColours() {
        for (auto [name, colour] : {std::pair{"TextCol", text},
                                    {"BackCol", back},
                                    {"HTextCol", hText},
                                    {"HBackCol", hBack}})
            put(name, std::to_string(vb(colour)));
    }
    // A family of this system that has a real italic face, by the name the chooser lists.
    static QString italicFamily() {
        for (const QString& family : QFontDatabase::families())
            if (!family.endsWith(']') && QFontDatabase::italic(family, QStringLiteral("Italic")))
                return family;
        return {};
    }
    // What the dialog shows: both lists, the delay label and spinner, the four check boxes.
    static QString shows(const frmOptions& o) {
        QString ticks;
        for (const QCheckBox* box : {o.chkLastMsg, o.chkHighlight, o.chkOnTop, o.chkShowATIS})
            ticks += box->isChecked() ? '1' : '0';
        return QStringList({o.cboAtcComs->currentText(), o.cboOwnComs->currentText(),
                            o.lblMsgDelay->text(), n(o.vsDelay->Value()), ticks})
            .join('|');
    }
    template <class User> static void whileOpen(User user) {
        whileModal<frmOptions>([] { frmOptions::Get().Show(); }, user);
    }

private slots:
    void initTestCase() {
        showCaption(dir);
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes << call.title.c_str() + (" " + key("HighlightTX2U")) + n(Settings.HighlightTX2U);
            return int(MsgBox::vbOK);
        });
    }

    void init() {
        MainMod::CreateDefaultIni();
        boxes.clear();
        confirm = true;
        FontColourChooser::SetHookForTesting([this](FontColourChooser& c, Kind kind) {
            saw = c.Title.c_str() + ("|" + (kind == Kind::Font ? fontOf(c) : n(c.ChosenColour))) +
                  "|" + looksNow();
            disabledInChooser = !frmOptions::Get().isEnabled();
            c.ChosenFontName = "Serif";
            c.ChosenFontSize = 17;
            c.ChosenBold = true;
            c.ChosenItalic = false;
            c.ChosenColour = vb(chosen);
            return confirm;
        });
    }

    // Must run first: the first opening fills with the handlers silenced, writing nothing back.
    // A value that is not a whole number skips its control and the fill goes on; any other
    // failure (AlwaysOnTop=5) ends it there. The delay label shows the file's text as it stands.
    void firstOpeningFills() {
        put("AtcComs", "0 / x"); // a comment is cut from this key, not from HighlightTX2U
        put("HighlightTX2U", "1 / x");
        put("AlwaysOnTop", "5");
        put("ShowATIS", "1");
        put("MsgDelay", "<b>7");
        const QByteArray before = file();
        QVERIFY(frmOptions::Get().Filling);
        whileOpen([](frmOptions& o) {
            QCOMPARE(shows(o), "Hide ATC messages to / from AI aircraft|Show your messages to "
                               "ATC|<b>7|0|1000");
            QVERIFY(o.lblMsgDelay->sizeHint().width() >
                    o.lblMsgDelay->fontMetrics().horizontalAdvance("<b>7"));
            QVERIFY(!o.Filling);
        });
        QCOMPARE(file(), before); // the write-back of AtcComs would drop its comment
    }

    // The lists keep the boxes' blue on light yellow when they are open.
    void openListsInBoxColours() {
        whileOpen([](frmOptions& o) {
            for (QComboBox* box : {o.cboAtcComs, o.cboOwnComs}) {
                box->showPopup();
                QTRY_VERIFY(box->view()->isVisible());
                const QImage shot = box->view()->viewport()->grab().toImage();
                const int y = box->view()->visualRect(box->model()->index(0, 0)).center().y();
                int blue = 0; // text pixels
                for (int x = 0; x < shot.width(); ++x)
                    blue += qBlue(shot.pixel(x, y)) > 200 && qRed(shot.pixel(x, y)) < 100;
                QVERIFY(shot.pixelColor(shot.width() - 3, y) == QColor(255, 255, 192) && blue);
                box->hidePopup();
            }
        });
    }

    // A later opening fills the same way. Each change goes to the file and the record at once:
    // a list, the spinner by its top arrow and by each key once Tab reaches it, the highlight
    // (reminding when its colours are the normal ones), and on-top, which tops the options only.
    void changesAreWritten() {
        Settings.AtcComs = true;
        Settings.HighlightTX2U = false;
        whileOpen([this](frmOptions& o) {
            QCOMPARE(shows(o), "Show ATC messages to / from AI aircraft|Show your messages to "
                               "ATC|30|30|1000");
            o.cboAtcComs->setCurrentIndex(0);
            QVERIFY(key("AtcComs") == "0" && !Settings.AtcComs);
            QTest::mouseClick(o.vsDelay, Qt::LeftButton, {}, QPoint(o.vsDelay->width() / 2, 2));
            QCOMPARE(key("MsgDelay") + "|" + o.lblMsgDelay->text(), "31|31");
            QVERIFY(Settings.MsgDelay == 31 && caption().timMsgDelay.Interval() == 31000);
            o.cboOwnComs->setFocus();
            const QImage unfocused = o.vsDelay->grab().toImage();
            QTest::keyClick(o.cboOwnComs, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), o.vsDelay);
            QVERIFY(o.vsDelay->grab().toImage() != unfocused); // it shows that it has the focus
            for (auto [press, delay] : {std::pair{Qt::Key_Up, "32"},
                                        {Qt::Key_PageUp, "33"},
                                        {Qt::Key_Down, "32"},
                                        {Qt::Key_PageDown, "31"}}) {
                QTest::keyClick(o.vsDelay, press);
                QCOMPARE(key("MsgDelay") + "|" + o.lblMsgDelay->text(),
                         QString(delay) + "|" + delay);
            }
            o.chkHighlight->click();
            QVERIFY(key("HighlightTX2U") == "1" && Settings.HighlightTX2U);
            put("HTextCol", "255"); // a highlight text colour of its own: no reminder
            o.chkHighlight->click();
            o.chkHighlight->click();
            QCOMPARE(boxes, {"Options 10"}); // the reminder, once the tick was written
            for (const bool on : {true, false}) {
                o.chkOnTop->click();
                QCOMPARE(key("AlwaysOnTop"), on ? "1" : "0");
                QVERIFY(User32::IsTopMost(&o) == on && !User32::IsTopMost(&caption()));
            }
        });
    }

    // The font chooser opens on exactly the values it is given and hands them back on OK: a
    // family the system lacks, or one whose regular face is "Book", stays as written, and only
    // the four styles the settings can hold are offered. What the user changes comes back. It
    // lists every family once, by its plain name: not once per foundry as "Family [Foundry]".
    void fontChooserKeepsValues_data() {
        QTest::addColumn<QString>("given"); // family, points, bold, italic
        QTest::addColumn<bool>("change");   // to a family with an italic face, bold italic, 20
        QTest::newRow("missing family") << "No Such Face|12|0|0" << false;
        QTest::newRow("Book face") << "DejaVu Sans|12|0|0" << false;
        QTest::newRow("Book face serif") << "DejaVu Serif|13|0|0" << false;
        QTest::newRow("bold italic") << italicFamily() + "|9|1|1" << false;
        QTest::newRow("changed") << "No Such Face|12|0|0" << true;
    }

    void fontChooserKeepsValues() {
        QFETCH(QString, given);
        QFETCH(bool, change);
        if (given.startsWith('|') || (change && italicFamily().isEmpty()))
            QSKIP("no font with an italic face (Qt's offscreen platform on Windows has none)");
        FontColourChooser::SetHookForTesting(nullptr);
        const QStringList v = given.split('|'); // the chooser's title and colour left empty
        FontColourChooser c{{}, {}, {}, v[0].toStdString(), v[1].toInt(), v[2] == "1", v[3] == "1"};
        bool offered = false; // the four styles, and a sample in the given style
        const auto user = [&](FontDialog& dialog) {
            auto* styles = dialog.findChild<QListWidget*>("style");
            const QFont sample = dialog.findChild<QLabel*>("sample")->font();
            offered = styles->count() == 4 && QFontInfo(sample).italic() == c.ChosenItalic;
            auto* families = dialog.findChild<QListWidget*>("families");
            QStringList rows;
            for (const auto* row : families->findItems("", Qt::MatchContains))
                rows << row->text();
            for (const QString& family : QFontDatabase::families())
                offered &= rows.contains(family.section(" [", 0, 0));
            offered &= rows.removeDuplicates() == 0 && rows.filter(" [").isEmpty();
            if (change) {
                families->setCurrentItem(families->findItems(italicFamily(), Qt::MatchExactly)[0]);
                styles->setCurrentRow(3);
                dialog.findChild<QLineEdit*>("size")->clear();
                QTest::keyClicks(dialog.findChild<QLineEdit*>("size"), "20");
            }
            dialog.accept();
        };
        whileModal<FontDialog>([&] { c.PickFont(); }, user);
        QVERIFY(offered);
        QCOMPARE(fontOf(c), change ? italicFamily() + "|20|1|1" : given);
    }

    // Each chooser starts from the file, the options disabled meanwhile; a cancel writes nothing.
    // The font and a normal colour show at once (a colour with a sample text); while a
    // highlight colour is chosen, the normal colours show, and stay.
    void choosers_data() {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("chooser"); // title, starting values, the caption meanwhile
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("after"); // the caption
        const QString plain = looks(hBack, hBack) + "|before",
                      normal = looks(text, back) + "|before";
        const QString select = "Select|", bg = "Select your preferred Background Colour|";
        const QString sample = "|This is how your selected colour will appear";
        const auto v = [](QColor c) { return n(vb(c)); };
        QTest::newRow("font") << 0 << "Select your preferred FONT|Mono|11|0|1|" + plain
                              << "Font=Serif|FontSize=17|FontBold=True|FontItalic=False" << plain;
        QTest::newRow("text") << 1 << select + v(text) + "|" + plain << "TextCol=" + v(chosen)
                              << looks(chosen, hBack) + sample;
        QTest::newRow("back") << 2 << bg + v(back) + "|" + plain << "BackCol=" + v(chosen)
                              << looks(hBack, chosen) + sample;
        QTest::newRow("highlight text")
            << 4 << select + v(hText) + "|" + normal << "HTextCol=" + v(chosen) << normal;
        QTest::newRow("highlight back")
            << 5 << bg + v(hBack) + "|" + normal << "HBackCol=" + v(chosen) << normal;
    }

    void choosers() {
        QFETCH(int, index);
        QFETCH(QString, chooser);
        QFETCH(QString, written);
        QFETCH(QString, after);
        putColours();
        put("Font", "Mono");
        put("FontSize", "11");
        put("FontItalic", "1");
        caption().SetCaptionText("before");
        caption().SetCaptionForeColor(vb(hBack));
        caption().SetBackColor(vb(hBack));
        const QByteArray before = file();
        confirm = false;
        frmOptions::Get().Appearance.cmdOptions_Click(index);
        QVERIFY(file() == before && frmOptions::Get().isEnabled());
        confirm = true;
        frmOptions::Get().Appearance.cmdOptions_Click(index);
        QCOMPARE(saw, chooser);
        QVERIFY(disabledInChooser && frmOptions::Get().isEnabled() && boxes.empty());
        for (const QString& entry : written.split('|'))
            QCOMPARE(key(entry.section('=', 0, 0).toLatin1()), entry.section('=', 1));
        QCOMPARE(looksNow(), after);
        const QFont font = caption().lblCaption->font();
        QVERIFY(index > 0 || (font.family() == "Serif" && font.pointSizeF() == 17 && font.bold() &&
                              !font.italic()));
    }

    // A chooser, cancelled or confirmed, gives the focus back to the button that opened it.
    void chooserGivesFocusBack() {
        FontColourChooser::SetHookForTesting(nullptr);
        whileOpen([](frmOptions& o) {
            for (auto [opener, ok] : {std::pair{o.cmdOptions[4], 0}, {o.cmdOptions[5], 1}}) {
                opener->setFocus(); // Space on it, then Cancel or OK in the chooser
                const auto answer = [ok = ok](QDialog& chooser) { chooser.done(ok); };
                whileModal<QColorDialog>([b = opener] { QTest::keyClick(b, Qt::Key_Space); },
                                         answer);
                o.activateWindow(); // as the window manager does
                QTRY_COMPARE(QApplication::focusWidget(), opener);
            }
        });
    }

    // Enter presses the focused push button, elsewhere the default one ("Close Options"). The
    // preview alternates, across openings too; closing puts the normal colours back and empties
    // the text, leaving the font alone.
    void enterAndPreview() {
        putColours();
        caption().SetCaptionFontName("Courier");
        QStringList seen;
        for (int opening = 0; opening < 3; ++opening)
            whileOpen([&](frmOptions& o) {
                for (QWidget* control : QList<QWidget*>{o.cmdOptions[6], o.chkLastMsg}) {
                    control->setFocus();
                    QTest::keyClick(control, Qt::Key_Return);
                    seen << looksNow();
                }
                QVERIFY(!o.isVisible()); // closed by Enter, not by the fixture
            });
        const QString on = looks(hText, hBack) + "|This is with highlighting ON",
                      off = looks(text, back) + "|This is with highlighting OFF",
                      closed = looks(text, back) + "|";
        QCOMPARE(seen, QStringList({on, closed, off, closed, on, closed}));
        QVERIFY(caption().lblCaption->font().family() == "Courier" && boxes.empty());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
