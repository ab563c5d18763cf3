// The options dialog: filling, writing changes, and the appearance commands.
#include "options/frmOptions.h"
#include "platform/App.h"
#include "platform/FontColourChooser.h"
#include "platform/FontDialog.h"
#include "platform/MsgBox.h"
#include "platform/SizingFrame.h"
#include "platform/VScrollBar.h"
#include "platform/WindowApi.h"
#include "platform/profile.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace User32;

using MainMod::Settings;
using Kind = FontColourChooser::Kind;

static const QColor text(1, 2, 3), back(4, 5, 6), hText(7, 8, 9), hBack(10, 11, 12);

class TestOptions : public QObject {
    Q_OBJECT

    // A family of this system that has a real italic face.
    static QString italicFamily() {
        for (const QString& family : QFontDatabase::families())
            if (QFontDatabase::italic(family, QStringLiteral("Italic")))
                return family;
        return {};
    }

    QTemporaryDir dir;
    // Each message box: title, text, and HighlightTX2U in the file and in Settings then.
    std::vector<QStringList> boxes;
    // The user in the choosers: what was shown (and how the caption looked), what is chosen.
    FontColourChooser shown;
    Kind shownKind = Kind::Font;
    QString looksInChooser;
    bool optionsEnabledInChooser = true, confirm = true;
    int choosers = 0;
    const QColor chosen{30, 20, 10};

    static QString key(const char* name) { return MainMod::ReadIniKey("Config", name, "").c_str(); }
    static void put(const char* k, const std::string& v) { MainMod::WriteIniKey("Config", k, v); }
    static int vb(QColor c) { return c.red() | c.green() << 8 | c.blue() << 16; }
    static QString looks(QColor text, QColor back) { return text.name() + " on " + back.name(); }
    static AppearanceCommands& appearance() { return frmOptions::Get().Appearance; }
    static frmMain& caption() { return frmMain::Get(); }
    static QString captionLooks() {
        return looks(caption().lblCaption->palette().color(QPalette::WindowText),
                     caption().palette().color(QPalette::Window));
    }
    // What the window shows: both lists, the delay label and spinner, the four check boxes.
    static QString shows(const frmOptions& o) {
        QString ticks;
        for (const QCheckBox* box : {o.chkLastMsg, o.chkHighlight, o.chkOnTop, o.chkShowATIS})
            ticks += box->isChecked() ? '1' : '0';
        return QStringList({o.cboAtcComs->currentText(), o.cboOwnComs->currentText(),
                            o.lblMsgDelay->text(), QString::number(o.vsDelay->Value()), ticks})
            .join('|');
    }
    static QByteArray file() {
        QFile f(QString::fromStdString(Settings.IniPath).replace('\\', '/'));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Opens the options window, runs `body` once it is active, then presses Close.
    template <class Body> static void whileOpen(Body body) {
        frmOptions& options = frmOptions::Get();
        QTimer::singleShot(0, &options, [&options, body] {
            [&] { QVERIFY(QTest::qWaitForWindowActive(&options)); }();
            body(options);
            options.cmdClose->click();
        });
        options.Show();
    }
    static void putColours() {
        for (auto [name, colour] : {std::pair{"TextCol", text},
                                    {"BackCol", back},
                                    {"HTextCol", hText},
                                    {"HBackCol", hBack}})
            put(name, std::to_string(vb(colour)));
    }

    // The user in the choosers: remembers what was shown and makes a fixed choice.
    void installChooserHook() {
        FontColourChooser::SetHookForTesting([this](FontColourChooser& c, Kind kind) {
            shown = c;
            shownKind = kind;
            looksInChooser = captionLooks();
            optionsEnabledInChooser = frmOptions::Get().isEnabled();
            ++choosers;
            c.ChosenFontName = "Serif";
            c.ChosenFontSize = 17;
            c.ChosenBold = true;
            c.ChosenItalic = false;
            c.ChosenColour = vb(chosen);
            return confirm;
        });
    }

private slots:
    void initTestCase() {
        App::SetLocationForTesting(dir.path().toStdString(), "Wingscribe");
        Settings.IniPath = MainMod::SettingsFilePath();
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes.push_back({call.title.c_str(), call.prompt.c_str(), key("HighlightTX2U"),
                             QString::number(Settings.HighlightTX2U)});
            return int(MsgBox::vbOK);
        });
        installChooserHook();
        MainMod::CreateDefaultIni();
        caption().timMonitorConnection.SetEnabled(false);
        caption().show();
    }

    void init() {
        MainMod::CreateDefaultIni();
        boxes.clear();
        choosers = 0;
        confirm = true;
    }

    // Must run first: only the first opening fills with the handlers silenced.
    void openingsFill() {
        put("AtcComs", "1 / a write-back would drop this");
        QByteArray before = file();
        QVERIFY(frmOptions::Get().Filling);
        whileOpen([](frmOptions& o) {
            QCOMPARE(shows(o), "Show ATC messages to / from AI aircraft|Show your messages to "
                               "ATC|30|30|1000");
            QVERIFY(!o.Filling);
        });
        QCOMPARE(file(), before);
        // A later opening writes back what it read (the handlers run), the same bytes.
        init();
        put("HighlightTX2U", "1");
        before = file();
        Settings.AtcComs = Settings.LastMsg = false;
        caption().timMsgDelay.SetInterval(5000);
        whileOpen([](frmOptions&) {});
        QCOMPARE(file(), before);
        QVERIFY(Settings.AtcComs && Settings.LastMsg);
        QCOMPARE(caption().timMsgDelay.Interval(), 30000);
        QCOMPARE(boxes.size(), std::size_t(1)); // the highlight reminder, while opening
    }

    // The chooser opens on exactly what the file holds and hands it back on OK: a family the
    // system lacks, or one whose regular face is "Book", stays as written, and only the four
    // styles the settings can hold are offered.
    void fontChooserKeepsValues_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("points");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<bool>("italic");
        QTest::addColumn<bool>("change"); // the user picks another family, bold italic, 20 pt
        QTest::newRow("missing family") << "No Such Face" << 12 << false << false << false;
        QTest::newRow("Book face") << "DejaVu Sans" << 12 << false << false << false;
        QTest::newRow("Book face serif") << "DejaVu Serif" << 13 << false << false << false;
        QTest::newRow("bold italic") << italicFamily() << 9 << true << true << false;
        QTest::newRow("changed") << "No Such Face" << 12 << false << false << true;
    }

    void fontChooserKeepsValues() {
        QFETCH(QString, family);
        QFETCH(int, points);
        QFETCH(bool, bold);
        QFETCH(bool, italic);
        QFETCH(bool, change);
        if (family.isEmpty() || (change && italicFamily().isEmpty()))
            QSKIP("no font with an italic face on this platform (Qt's offscreen one on Windows "
                  "has no fonts at all)");
        FontColourChooser::SetHookForTesting(nullptr);
        FontColourChooser chooser;
        chooser.ChosenFontName = family.toStdString();
        chooser.ChosenFontSize = points;
        chooser.ChosenBold = bold;
        chooser.ChosenItalic = italic;
        QStringList styles;
        bool sampleItalic = !italic;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<FontDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            const auto* list = dialog->findChild<QListWidget*>("style");
            for (int row = 0; row < list->count(); ++row)
                styles << list->item(row)->text();
            sampleItalic = QFontInfo(dialog->findChild<QLabel*>("sample")->font()).italic();
            if (change) {
                auto* families = dialog->findChild<QListWidget*>("families");
                families->setCurrentItem(families->findItems(italicFamily(), Qt::MatchExactly)[0]);
                dialog->findChild<QListWidget*>("style")->setCurrentRow(3);
                dialog->findChild<QLineEdit*>("size")->clear();
                QTest::keyClicks(dialog->findChild<QLineEdit*>("size"), "20");
            }
            dialog->accept();
        });
        chooser.PickFont();
        installChooserHook();
        QCOMPARE(styles, FontDialog::Styles());
        QCOMPARE(sampleItalic, italic);
        if (change) {
            family = italicFamily();
            points = 20;
            bold = italic = true;
        }
        QCOMPARE(QString::fromStdString(chooser.ChosenFontName), family);
        QVERIFY(chooser.ChosenFontSize == points && chooser.ChosenBold == bold &&
                chooser.ChosenItalic == italic);
    }

    void fillFailures() {
        for (const char* name : {"LastMsg", "HighlightTX2U", "ShowATIS"})
            put(name, "1");
        put("MsgDelay", "200");
        // The spinner cannot take 200: the fill ends there, whatever the boxes' keys say.
        whileOpen([](frmOptions& o) { QCOMPARE(shows(o).section('|', 2), "200|0|0000"); });
        init();
        put("AtcComs", "0 / x"); // a comment is cut from this key, not from HighlightTX2U
        put("HighlightTX2U", "1 / x");
        put("ShowATIS", "1");
        put("MsgDelay", "<b>7"); // shown as it stands; the spinner skips it
        // The skipped controls keep their design state and the fill goes on.
        whileOpen([](frmOptions& o) {
            QCOMPARE(shows(o).section('|', 0, 0), "Hide ATC messages to / from AI aircraft");
            QCOMPARE(shows(o).section('|', 2), "<b>7|0|1001");
            QVERIFY(o.lblMsgDelay->sizeHint().width() >
                    o.lblMsgDelay->fontMetrics().horizontalAdvance("<b>7"));
        });
    }

    // The lists keep the boxes' blue on light yellow when they are open.
    void openListsInBoxColours() {
        whileOpen([](frmOptions& o) {
            for (QComboBox* box : {o.cboAtcComs, o.cboOwnComs}) {
                box->showPopup();
                QAbstractItemView* list = box->view();
                QTRY_VERIFY(list->isVisible());
                const QImage shot = list->viewport()->grab().toImage();
                const int y =
                    list->visualRect(list->model()->index(0, 0)).center().y(); // not current
                QCOMPARE(shot.pixelColor(shot.width() - 3, y), QColor(255, 255, 192));
                int blue = 0;
                for (int x = 0; x < shot.width(); ++x)
                    blue += shot.pixelColor(x, y).blue() > 200 && shot.pixelColor(x, y).red() < 100;
                QVERIFY(blue > 0);
                box->hidePopup();
            }
        });
    }

    // A change is written to the file and the record at once; the spinner's top arrow raises
    // the delay and the display period.
    void changesAreWritten() {
        Settings.AtcComs = true;
        whileOpen([](frmOptions& o) {
            o.cboAtcComs->setCurrentIndex(0);
            QVERIFY(key("AtcComs") == "0" && !Settings.AtcComs);
            o.vsDelay->SetValue(30);
            QTest::mouseClick(o.vsDelay, Qt::LeftButton, {}, QPoint(o.vsDelay->width() / 2, 2));
            QCOMPARE(o.lblMsgDelay->text(), "31");
            QCOMPARE(key("MsgDelay"), "31");
            QCOMPARE(Settings.MsgDelay, 31);
            QCOMPARE(caption().timMsgDelay.Interval(), 31000);
            // Tab reaches the spinner; each key press is one step, written at once.
            o.cboOwnComs->setFocus();
            QTest::keyClick(o.cboOwnComs, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), o.vsDelay);
            for (auto [press, delay] : {std::pair{Qt::Key_Up, "32"},
                                        {Qt::Key_PageUp, "33"},
                                        {Qt::Key_Down, "32"},
                                        {Qt::Key_PageDown, "31"}}) {
                QTest::keyClick(o.vsDelay, press);
                QCOMPARE(key("MsgDelay") + "|" + o.lblMsgDelay->text(),
                         QString(delay) + "|" + delay);
            }
            for (const bool on : {true, false}) { // on top: the options window, not the caption
                o.chkOnTop->click();
                QCOMPARE(key("AlwaysOnTop"), on ? "1" : "0");
                QVERIFY(IsTopMost(&o) == on && !IsTopMost(&caption()));
            }
        });
    }

    // Ticking the highlight with equal normal and highlight colours earns a reminder; a changed
    // highlight colour, or the same number written another way, does not. Clearing never does.
    void highlightReminder() {
        Settings.HighlightTX2U = false;
        whileOpen([this](frmOptions& o) {
            for (auto [name, value] :
                 {std::pair{"HTextCol", "65280"}, {"HTextCol", "255"}, {"BackCol", "00"}}) {
                MainMod::CreateDefaultIni();
                put(name, value);
                o.chkHighlight->click();
                QVERIFY(key("HighlightTX2U") == "1" && Settings.HighlightTX2U);
                o.chkHighlight->click();
                QCOMPARE(boxes.size(), std::size_t(1));
            }
            QCOMPARE(boxes[0][0] + boxes[0][2] + boxes[0][3], "Options10"); // written, not read
            QVERIFY(
                boxes[0][1].startsWith("You will also need to set the 'Highlight Text Colour'"));
        });
    }

    // The chooser starts from the stored font; the choice is written and applied.
    void fontChoice() {
        put("Font", "Mono");
        put("FontSize", "11");
        put("FontItalic", "1");
        caption().SetCaptionText("kept");
        appearance().cmdOptions_Click(0);
        QVERIFY(shownKind == Kind::Font && !optionsEnabledInChooser);
        QCOMPARE(shown.Title + "|" + shown.ChosenFontName, "Select your preferred FONT|Mono");
        QVERIFY(shown.ChosenFontSize == 11 && !shown.ChosenBold && shown.ChosenItalic);
        QCOMPARE(key("Font") + key("FontSize") + key("FontBold") + key("FontItalic"),
                 "Serif17TrueFalse");
        const QFont font = caption().lblCaption->font();
        QVERIFY(font.family() == "Serif" && font.pointSizeF() == 17 && font.bold() &&
                !font.italic());
        QVERIFY(caption().CaptionText() == "kept" && frmOptions::Get().isEnabled());
    }

    // A cancel writes nothing; a normal colour is previewed, a highlight one is not.
    void colourChoiceAndCancel() {
        const char* background = "Select your preferred Background Colour";
        for (auto [index, name, title, stored] : {std::tuple{1, "TextCol", "Select", text},
                                                  {2, "BackCol", background, back},
                                                  {4, "HTextCol", "Select", hText},
                                                  {5, "HBackCol", background, hBack}}) {
            init();
            putColours();
            caption().SetCaptionText("before");
            caption().SetCaptionForeColor(vb(hBack));
            caption().SetBackColor(vb(hBack));
            const QByteArray before = file();
            confirm = false;
            appearance().cmdOptions_Click(index);
            QCOMPARE(file(), before);
            confirm = true;
            appearance().cmdOptions_Click(index);
            QVERIFY(shownKind == Kind::Colour && frmOptions::Get().isEnabled() && boxes.empty());
            QCOMPARE(shown.Title, title);
            QCOMPARE(shown.ChosenColour, vb(stored)); // starts from the file's
            QCOMPARE(key(name), QString::number(vb(chosen)));
            if (index < 4) {
                QCOMPARE(caption().CaptionText(), "This is how your selected colour will appear");
                QCOMPARE(captionLooks(), index == 1 ? looks(chosen, hBack) : looks(hBack, chosen));
            } else { // the normal colours, put back before the chooser opened
                QCOMPARE(looksInChooser, looks(text, back));
                QCOMPARE(captionLooks() + caption().CaptionText().c_str(),
                         looks(text, back) + "before");
            }
        }
    }

    void unreadableSettingIsReported() {
        put("FontSize", "large");
        Kernel32::WritePrivateProfileStringA("Config", "Border", nullptr, Settings.IniPath.c_str());
        const QByteArray before = file();
        appearance().cmdOptions_Click(0);
        appearance().cmdOptions_Click(3);
        QVERIFY(choosers == 0 && frmOptions::Get().isEnabled() && SizingFrame::IsShown(&caption()));
        QCOMPARE(file(), before);
        QCOMPARE(boxes.size(), std::size_t(2));
        for (const QStringList& box : boxes)
            QVERIFY2(box[0].isEmpty() && box[1].startsWith("Error: ") &&
                         box[1].endsWith(" in Wingscribe Options"),
                     qPrintable(box[1]));
    }

    // The preview alternates, a run's first press showing highlighting ON; closing the options
    // puts the normal colours back and empties the text.
    void previewAlternatesAcrossOpenings() {
        putColours();
        const auto press = [&](bool on) {
            appearance().cmdOptions_Click(6);
            QCOMPARE(caption().CaptionText(),
                     on ? "This is with highlighting ON" : "This is with highlighting OFF");
            QCOMPARE(captionLooks(), on ? looks(hText, hBack) : looks(text, back));
        };
        caption().SetCaptionFontName("Courier");
        press(true);
        whileOpen([](frmOptions&) {});
        QCOMPARE(captionLooks() + caption().CaptionText().c_str(), looks(text, back));
        QCOMPARE(caption().lblCaption->font().family(), "Courier");
        press(false);
        whileOpen([](frmOptions&) {});
        press(true);
        QVERIFY(boxes.empty());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
