// The options dialog: filling from the settings file, each change written and read back,
// and the appearance buttons with their chooser, border and preview commands.
#include "options/frmOptions.h"
#include "platform/App.h"
#include "platform/FontColourChooser.h"
#include "platform/MsgBox.h"
#include "platform/SizingFrame.h"
#include "platform/VScrollBar.h"
#include "platform/WindowApi.h"
#include "platform/profile.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using MainMod::Settings;
using Kind = FontColourChooser::Kind;

static const QColor text(1, 2, 3), back(4, 5, 6), hText(7, 8, 9), hBack(10, 11, 12);

class TestOptions : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    // Each message box: title, text, and HighlightTX2U in the file and in Settings then.
    std::vector<QStringList> boxes;

    static std::string key(const char* name) { return MainMod::ReadIniKey("Config", name, ""); }
    static void put(const char* name, const std::string& v) {
        MainMod::WriteIniKey("Config", name, v);
    }
    static std::string vb(QColor c) {
        return std::to_string(c.red() | c.green() << 8 | c.blue() << 16);
    }
    static QString looks(QColor text, QColor back) { return text.name() + " on " + back.name(); }
    static AppearanceCommands& appearance() { return frmOptions::Get().Appearance; }
    static QString captionLooks() {
        const frmMain& caption = frmMain::Get();
        return looks(caption.lblCaption->palette().color(QPalette::WindowText),
                     caption.palette().color(QPalette::Window));
    }
    static QStringList keys(std::initializer_list<const char*> names) {
        QStringList values;
        for (const char* name : names)
            values << QString::fromStdString(key(name));
        return values;
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
            [&] {
                QVERIFY(QTest::qWaitForWindowActive(&options));
                body(options);
            }();
            options.cmdClose->click();
        });
        options.Show();
    }

private slots:
    void initTestCase() {
        App::SetLocationForTesting(dir.path().toStdString(), "Wingscribe");
        Settings.IniPath = MainMod::SettingsFilePath();
        MsgBox::SetAnswererForTesting([this](const MsgBox::Call& call) {
            boxes.push_back({call.title.c_str(), call.prompt.c_str(), key("HighlightTX2U").c_str(),
                             QString::number(Settings.HighlightTX2U)});
            return int(MsgBox::vbOK);
        });
        MainMod::CreateDefaultIni();
        frmMain::Get().timMonitorConnection.SetEnabled(false);
        frmMain::Get().show();
    }

    void init() {
        MainMod::CreateDefaultIni();
        boxes.clear();
    }

    // Must run first: only the first opening fills with the handlers silenced.
    void firstOpeningFillsWithoutWriting() {
        put("AtcComs", "1 / a write-back would drop this");
        const QByteArray before = file();
        QVERIFY(frmOptions::Get().Filling);
        whileOpen([](frmOptions& o) {
            QCOMPARE(shows(o), "Show ATC messages to / from AI aircraft|Show your messages to "
                               "ATC|30|30|1000");
            QVERIFY(!o.Filling);
        });
        QCOMPARE(file(), before);
    }

    void laterOpeningWritesBackWhatItRead() {
        put("HighlightTX2U", "1");
        const QByteArray before = file();
        Settings.AtcComs = Settings.LastMsg = false;
        frmMain::Get().timMsgDelay.SetInterval(5000);
        whileOpen([](frmOptions&) {});
        QCOMPARE(file(), before);
        QVERIFY(Settings.AtcComs && Settings.LastMsg); // the handlers ran during the fill
        QCOMPARE(frmMain::Get().timMsgDelay.Interval(), 30000);
        QCOMPARE(boxes.size(), std::size_t(1)); // the highlight reminder, while opening
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
        // The skipped box stays clear and the fill goes on.
        whileOpen([](frmOptions& o) {
            QCOMPARE(shows(o).section('|', 0, 0), "Hide ATC messages to / from AI aircraft");
            QCOMPARE(shows(o).section('|', 4), "1001");
        });
    }

    void changesAreWrittenAndReadBack() {
        Settings.AtcComs = Settings.LastMsg = true;
        Settings.ShowATIS = false;
        whileOpen([](frmOptions& o) {
            o.cboAtcComs->setCurrentIndex(0);
            o.chkLastMsg->click();
            o.chkShowATIS->click();
            QCOMPARE(keys({"AtcComs", "LastMsg", "ShowATIS"}), QStringList({"0", "0", "1"}));
            QVERIFY(!Settings.AtcComs && !Settings.LastMsg && Settings.ShowATIS);
        });
    }

    void delayArrowSetsDelayAndPeriod() {
        whileOpen([](frmOptions& o) {
            VScrollBar* bar = o.vsDelay;
            bar->SetValue(0);
            QCOMPARE(key("MsgDelay"), "0");
            QCOMPARE(frmMain::Get().timMsgDelay.Interval(), 0);
            bar->SetValue(30);
            // The arrow at the top of the spinner raises the delay.
            QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() / 2, 2));
            QCOMPARE(o.lblMsgDelay->text(), "31");
            QCOMPARE(key("MsgDelay"), "31");
            QCOMPARE(Settings.MsgDelay, 31);
            QCOMPARE(frmMain::Get().timMsgDelay.Interval(), 31000);
        });
    }

    void highlightReminder() {
        Settings.HighlightTX2U = false;
        whileOpen([this](frmOptions& o) {
            // Equal normal and highlight colours (the defaults) earn the reminder; a changed
            // highlight colour, or the same number written another way, does not.
            for (auto [name, value, reminders] : {std::tuple{"HTextCol", "65280", 1},
                                                  {"HTextCol", "255", 1},
                                                  {"BackCol", "00", 1}}) {
                MainMod::CreateDefaultIni();
                put(name, value);
                o.chkHighlight->click();
                QCOMPARE(key("HighlightTX2U"), "1");
                QVERIFY(Settings.HighlightTX2U);
                o.chkHighlight->click(); // clearing never reminds
                QCOMPARE(int(boxes.size()), reminders);
            }
            // Written before the reminder, read back after it.
            QCOMPARE(boxes[0], QStringList({"Options",
                                            "You will also need to set the 'Highlight Text "
                                            "Colour' and\r\n'Highlight Background Color' "
                                            "options for this feature to work.\r\n",
                                            "1", "0"}));
        });
    }

    void onTopAppliesToOptionsWindowOnly() {
        whileOpen([](frmOptions& o) {
            o.chkOnTop->click();
            QCOMPARE(key("AlwaysOnTop"), "1");
            QVERIFY(IsTopMost(&o) && !IsTopMost(&frmMain::Get()));
            o.chkOnTop->click();
            QCOMPARE(key("AlwaysOnTop"), "0");
            QVERIFY(!IsTopMost(&o));
        });
    }

    void fontChoice() {
        put("Font", "Mono");
        put("FontSize", "11");
        put("FontItalic", "1");
        frmMain::Get().SetCaptionText("kept");
        FontColourChooser seen;
        bool fontChooserOverDisabledWindow = false;
        FontColourChooser::SetHookForTesting([&](FontColourChooser& c, Kind kind) {
            seen = c;
            fontChooserOverDisabledWindow = kind == Kind::Font && !frmOptions::Get().isEnabled();
            c.ChosenFontName = "Serif";
            c.ChosenFontSize = 17;
            c.ChosenBold = true;
            c.ChosenItalic = false;
            return true;
        });
        appearance().cmdOptions_Click(0);
        QVERIFY(fontChooserOverDisabledWindow);
        QCOMPARE(seen.Title + "|" + seen.ChosenFontName, "Select your preferred FONT|Mono");
        QVERIFY(seen.ChosenFontSize == 11 && !seen.ChosenBold && seen.ChosenItalic);
        QCOMPARE(keys({"Font", "FontSize", "FontBold", "FontItalic"}),
                 QStringList({"Serif", "17", "True", "False"}));
        const QFont shown = frmMain::Get().lblCaption->font();
        QCOMPARE(shown.family(), "Serif");
        QCOMPARE(shown.pointSizeF(), 17.0);
        QVERIFY(shown.bold() && !shown.italic() && frmOptions::Get().isEnabled());
        QCOMPARE(frmMain::Get().CaptionText(), "kept");
    }

    void colourChoiceAndCancel() {
        const char* background = "Select your preferred Background Colour";
        for (auto [index, name, title] : {std::tuple{1, "TextCol", "Select"},
                                          {2, "BackCol", background},
                                          {4, "HTextCol", "Select"},
                                          {5, "HBackCol", background}}) {
            init();
            put("TextCol", vb(text));
            put("BackCol", vb(back));
            put(name, vb(hText)); // the chooser starts from the stored colour
            frmMain& caption = frmMain::Get();
            caption.SetCaptionText("before");
            caption.SetCaptionForeColor(std::stoi(vb(hBack)));
            caption.SetBackColor(std::stoi(vb(hBack)));
            const QColor chosen(30, 20, 10);
            bool confirm = false; // a cancel first: it writes nothing
            FontColourChooser seen;
            Kind seenKind = Kind::Font;
            QString looksWhileOpen;
            FontColourChooser::SetHookForTesting([&](FontColourChooser& c, Kind kind) {
                seen = c;
                seenKind = kind;
                looksWhileOpen = captionLooks();
                c.ChosenColour = std::stoi(vb(chosen));
                return confirm;
            });
            const QByteArray before = file();
            appearance().cmdOptions_Click(index);
            QCOMPARE(file(), before);
            QVERIFY(frmOptions::Get().isEnabled());
            confirm = true;
            appearance().cmdOptions_Click(index);
            QVERIFY(seenKind == Kind::Colour);
            QCOMPARE(seen.Title, title);
            QCOMPARE(std::to_string(seen.ChosenColour), vb(hText));
            QCOMPARE(key(name), vb(chosen));
            if (index < 4) {
                QCOMPARE(caption.CaptionText(), "This is how your selected colour will appear");
                QCOMPARE(captionLooks(), index == 1 ? looks(chosen, hBack) : looks(hBack, chosen));
            } else { // the normal colours, put back before the chooser opened
                QCOMPARE(looksWhileOpen, looks(text, back));
                QCOMPARE(captionLooks(), looks(text, back));
                QCOMPARE(caption.CaptionText(), "before");
            }
            QVERIFY(boxes.empty());
        }
    }

    void borderToggle() {
        frmMain& caption = frmMain::Get();
        QVERIFY(SizingFrame::IsShown(&caption)); // loaded with Border=1
        appearance().cmdOptions_Click(3);
        QVERIFY(!SizingFrame::IsShown(&caption));
        QCOMPARE(key("Border"), "0");
        appearance().cmdOptions_Click(3);
        QVERIFY(SizingFrame::IsShown(&caption));
        QCOMPARE(key("Border"), "1");
        QVERIFY(boxes.empty());
    }

    void unreadableSettingIsReported() {
        put("FontSize", "large");
        WritePrivateProfileStringA("Config", "Border", nullptr, Settings.IniPath.c_str());
        const QByteArray before = file();
        bool opened = false;
        FontColourChooser::SetHookForTesting(
            [&](FontColourChooser&, Kind) { return opened = true; });
        appearance().cmdOptions_Click(0);
        appearance().cmdOptions_Click(3);
        QVERIFY(!opened && frmOptions::Get().isEnabled());
        QVERIFY(SizingFrame::IsShown(&frmMain::Get()));
        QCOMPARE(file(), before);
        QCOMPARE(boxes.size(), std::size_t(2));
        for (const QStringList& box : boxes)
            QVERIFY2(box[0].isEmpty() && box[1].startsWith("Error: ") && box[1].size() > 29 &&
                         box[1].endsWith(" in Wingscribe Options"),
                     qPrintable(box[1]));
    }

    void previewAlternatesAcrossOpenings() {
        for (auto [name, colour] : {std::pair{"TextCol", text},
                                    {"BackCol", back},
                                    {"HTextCol", hText},
                                    {"HBackCol", hBack}})
            put(name, vb(colour));
        const auto press = [&](bool on) {
            appearance().cmdOptions_Click(6);
            QCOMPARE(frmMain::Get().CaptionText(),
                     on ? "This is with highlighting ON" : "This is with highlighting OFF");
            QCOMPARE(captionLooks(), on ? looks(hText, hBack) : looks(text, back));
        };
        frmMain::Get().SetCaptionFontName("Courier");
        press(true); // the first press of the run
        whileOpen([](frmOptions&) {});
        // Closing the options put the normal colours back and emptied the text.
        QCOMPARE(captionLooks() + frmMain::Get().CaptionText().c_str(), looks(text, back));
        QCOMPARE(frmMain::Get().lblCaption->font().family(), "Courier");
        press(false);
        whileOpen([](frmOptions&) {});
        press(true);

        const QByteArray before = file();
        for (int index : {7, -1})
            appearance().cmdOptions_Click(index);
        QCOMPARE(frmMain::Get().CaptionText(), "This is with highlighting ON");
        QCOMPARE(file(), before);
        QVERIFY(boxes.empty());
    }
};

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
