// SPDX-License-Identifier: GPL-3.0-or-later
#include "options/frmOptions.h"

#include "platform/App.h"
#include "platform/Guarded.h"
#include "platform/MsgBox.h"
#include "platform/Text8.h"
#include "platform/Twips.h"
#include "platform/VScrollBar.h"
#include "platform/VbColour.h"
#include "platform/VbConvert.h"
#include "platform/VbError.h"
#include "platform/WindowApi.h"
#include "platform/WindowPlacement.h"
#include "startup/MainMod.h"
#include "ui/frmMain.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <vector>

using namespace User32;

using MainMod::ReadIniKey;
using MainMod::ReadSetting;
using MainMod::Settings;
using MainMod::WriteIniKey;

namespace {

constexpr std::int32_t DarkRed = 0x000080;
constexpr std::int32_t Blue = 0xFF0000;
constexpr std::int32_t LightYellow = 0xC0FFFF;

void colourText(QWidget* widget, std::int32_t text, std::int32_t back = -1) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, FromVbColour(text));
    palette.setColor(QPalette::Text, FromVbColour(text));
    palette.setColor(QPalette::ButtonText, FromVbColour(text));
    if (back >= 0) {
        palette.setColor(QPalette::Base, FromVbColour(back));
        palette.setColor(QPalette::Button, FromVbColour(back));
        palette.setColor(QPalette::Window, FromVbColour(back));
        widget->setAutoFillBackground(true);
    }
    widget->setPalette(palette);
}

// Check boxes hold 0 (clear), 1 (ticked) or 2 (greyed).
int checkValue(const QCheckBox* box) {
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

void setCheckValue(QCheckBox* box, int value) {
    static const Qt::CheckState states[] = {Qt::Unchecked, Qt::Checked, Qt::PartiallyChecked};
    if (value < 0 || value > 2)
        throw VbError(VbError::InvalidPropertyValue, "Invalid property value");
    box->setCheckState(states[value]);
}

void setSelection(QComboBox* list, int index) {
    if (index < -1 || index >= list->count())
        throw VbError(VbError::InvalidPropertyValue, "Invalid property value");
    list->setCurrentIndex(index);
}

// A caption too wide for its button goes onto two lines, broken at the blank nearest the
// middle, as command buttons do.
void wrapCaption(QPushButton* button) {
    QString caption = button->text();
    const QFontMetrics metrics(button->font());
    if (metrics.horizontalAdvance(QString(caption).remove('&')) <= button->width() - 12)
        return;
    int best = -1;
    for (int at = caption.indexOf(' '); at >= 0; at = caption.indexOf(' ', at + 1))
        if (best < 0 || std::abs(at - caption.size() / 2) < std::abs(best - caption.size() / 2))
            best = at;
    if (best >= 0)
        button->setText(caption.replace(best, 1, '\n'));
}

void applyDelayPeriod() {
    const std::int64_t period = std::int64_t(Settings.MsgDelay) * 1000;
    if (period != static_cast<std::int32_t>(period))
        throw VbError(VbError::Overflow, "Overflow");
    frmMain::Get().timMsgDelay.SetInterval(static_cast<std::int32_t>(period));
}

} // namespace

frmOptions::frmOptions()
    : QDialog(frmMain::Exists() ? &frmMain::Get() : nullptr, Qt::Dialog | Qt::CustomizeWindowHint |
                                                                 Qt::WindowTitleHint |
                                                                 Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(QStringLiteral("Wingscribe Options"));
    setWindowIcon(App::Icon());
    setModal(true);
    WindowPlacement::KeepWhereAsked(this); // also partly off the screen at the sides
    Twips::SetClientSize(this, 4080, 6555);
    setFixedSize(size());
}

void frmOptions::Show() {
    BuildControls();
    Form_Load();
    exec();
    delete controls_; // closing unloads the controls; the next opening starts from design
    controls_ = nullptr;
}

bool frmOptions::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate)
        Filling = false;
    return QDialog::event(event);
}

void frmOptions::reject() {
    Guarded([&] { cmdClose_Click(); });
}

void frmOptions::BuildControls() {
    delete controls_;
    controls_ = new QFrame(this);
    auto* frame = static_cast<QFrame*>(controls_);
    frame->setFrameShape(QFrame::StyledPanel);
    Twips::SetControlRect(frame, 60, 60, 3960, 6435);
    const auto place = [](QWidget* control, float left, float top, float width, float height) {
        // Positions are given in the dialog's client area; the frame starts 60 twips in.
        Twips::SetControlRect(control, left - 60, top - 60, width, height);
    };

    const char* captions[7] = {"Change Text &Font",
                               "Change Text &Colour",
                               "Change &Background Colour",
                               "&Toggle Window Border On/Off",
                               "&Highlight Text Colour",
                               "Highligh&t Background Colour",
                               "Test Toggle Highlight Feature"};
    for (int index = 0; index < 7; ++index) {
        auto* button = new QPushButton(QString::fromLatin1(captions[index]), frame);
        button->setObjectName(QStringLiteral("cmdOptions%1").arg(index));
        button->setFont(DesignFont(8.25));
        connect(button, &QPushButton::clicked, this,
                [this, index] { Guarded([&] { Appearance.cmdOptions_Click(index); }); });
        cmdOptions[index] = button;
    }
    place(cmdOptions[0], 180, 150, 3720, 420);
    for (int row = 0; row < 3; ++row) {
        place(cmdOptions[1 + row], 180, 630 + row * 570.0f, 1815, 510);
        place(cmdOptions[4 + row], 2085, 630 + row * 570.0f, 1815, 510);
    }
    for (QPushButton* button : cmdOptions)
        wrapCaption(button);

    auto* Label2 = new QLabel(QStringLiteral("Message Options"), frame);
    Label2->setFont(DesignFont(8.25));
    colourText(Label2, DarkRed);
    place(Label2, 180, 2370, 3720, 255);

    const auto makeList = [&](const char* name, const char* hide, const char* show) {
        auto* list = new QComboBox(frame);
        list->setObjectName(QString::fromLatin1(name));
        list->addItem(QString::fromLatin1(hide));
        list->addItem(QString::fromLatin1(show));
        list->setCurrentIndex(-1);
        list->setFont(DesignFont(8.25));
        colourText(list, Blue, LightYellow);
        colourText(list->view(), Blue, LightYellow); // the open list is a window of its own
        return list;
    };
    cboAtcComs = makeList("cboAtcComs", "Hide ATC messages to / from AI aircraft",
                          "Show ATC messages to / from AI aircraft");
    cboOwnComs = makeList("cboOwnComs", "Hide your messages to ATC", "Show your messages to ATC");
    place(cboAtcComs, 180, 2640, 3720, 330);
    place(cboOwnComs, 180, 3030, 3720, 330);

    auto* Label1 =
        new QLabel(QStringLiteral("Adjust the number of seconds to display each message"), frame);
    Label1->setFont(DesignFont(8.25));
    Label1->setWordWrap(true);
    colourText(Label1, DarkRed);
    place(Label1, 180, 3480, 2880, 450);

    lblMsgDelay = new QLabel(QStringLiteral("99"), frame);
    lblMsgDelay->setObjectName(QStringLiteral("lblMsgDelay"));
    lblMsgDelay->setTextFormat(Qt::PlainText); // shows the file's text as it stands
    lblMsgDelay->setFont(DesignFont(9.75));
    lblMsgDelay->setAlignment(Qt::AlignCenter);
    lblMsgDelay->setFrameShape(QFrame::Panel);
    lblMsgDelay->setFrameShadow(QFrame::Sunken);
    colourText(lblMsgDelay, Blue, LightYellow);
    place(lblMsgDelay, 3120, 3510, 510, 390);

    // Used as a spinner: the top end is 180, so the up arrow raises the delay.
    vsDelay = new VScrollBar(180, 0, frame);
    vsDelay->setObjectName(QStringLiteral("vsDelay"));
    vsDelay->setFocusPolicy(Qt::TabFocus);
    place(vsDelay, 3645, 3480, 255, 450);

    const auto makeCheck = [&](const char* name, const char* caption) {
        auto* box = new QCheckBox(QString::fromLatin1(caption), frame);
        box->setObjectName(QString::fromLatin1(name));
        box->setFont(DesignFont(8.25));
        colourText(box, DarkRed);
        return box;
    };
    // The longest caption takes two lines.
    chkLastMsg = makeCheck("chkLastMsg",
                           "Keep ATC messages to you displayed\nuntil replaced by a new message");
    chkHighlight = makeCheck("chkHighlight", "Highlight ATC messages to you");
    chkOnTop = makeCheck("chkOnTop", "Wingscribe window always on top");
    chkShowATIS = makeCheck("chkShowATIS", "Always show ATIS in Wingscribe");
    place(chkLastMsg, 180, 4020, 3720, 420);
    place(chkHighlight, 180, 4500, 3720, 255);
    place(chkOnTop, 180, 4830, 3720, 255);
    place(chkShowATIS, 180, 5160, 3720, 255);

    cmdClose = new QPushButton(QStringLiteral("&Close Options"), frame);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setFont(DesignFont(8.25));
    cmdClose->setDefault(true);
    place(cmdClose, 1080, 5700, 1920, 450);

    const std::vector<QWidget*> tabOrder = {
        cmdOptions[0], cmdOptions[1], cmdOptions[2], cmdOptions[3], cboAtcComs,
        cboOwnComs,    vsDelay,       chkLastMsg,    cmdClose,      cmdOptions[4],
        cmdOptions[5], chkHighlight,  cmdOptions[6], chkOnTop,      chkShowATIS};
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);

    const auto on = [this](auto signal, auto* sender, void (frmOptions::*handler)()) {
        connect(sender, signal, this, [this, handler] {
            Guarded([&] {
                if (!Filling)
                    (this->*handler)();
            });
        });
    };
    on(&QComboBox::currentIndexChanged, cboAtcComs, &frmOptions::cboAtcComs_Click);
    on(&QComboBox::currentIndexChanged, cboOwnComs, &frmOptions::cboOwnComs_Click);
    on(&QCheckBox::stateChanged, chkLastMsg, &frmOptions::chkLastMsg_Click);
    on(&QCheckBox::stateChanged, chkHighlight, &frmOptions::chkHighlight_Click);
    on(&QCheckBox::stateChanged, chkOnTop, &frmOptions::chkOnTop_Click);
    on(&QCheckBox::stateChanged, chkShowATIS, &frmOptions::chkShowATIS_Click);
    on(&VScrollBar::Change, vsDelay, &frmOptions::vsDelay_Change);
    connect(cmdClose, &QPushButton::clicked, this, [this] { Guarded([&] { cmdClose_Click(); }); });

    frame->show();
    cmdOptions[0]->setFocus();
}

void frmOptions::Form_Load() {
    // One step per control. A value that is not a whole number skips its control; any
    // other failure ends the fill, leaving the later controls as designed.
    const auto whole = [](const std::string& text) { return int(CIntOrRaise(text)); };
    const std::vector<std::function<void()>> steps = {
        [&] { setSelection(cboAtcComs, whole(ReadSetting("AtcComs"))); },
        [&] { setSelection(cboOwnComs, whole(ReadSetting("OwnComs"))); },
        [&] { lblMsgDelay->setText(toQt(ReadSetting("MsgDelay"))); },
        [&] { vsDelay->SetValue(whole(ReadSetting("MsgDelay"))); },
        [&] { setCheckValue(chkLastMsg, whole(ReadSetting("LastMsg"))); },
        [&] { setCheckValue(chkHighlight, whole(ReadIniKey("Config", "HighlightTX2U", ""))); },
        [&] { setCheckValue(chkOnTop, whole(ReadIniKey("Config", "AlwaysOnTop", ""))); },
        [&] { setCheckValue(chkShowATIS, whole(ReadIniKey("Config", "ShowATIS", ""))); },
    };
    for (const auto& step : steps) {
        try {
            step();
        } catch (const VbError& error) {
            if (error.Number() != VbError::TypeMismatch)
                return;
        }
    }
}

void frmOptions::cboAtcComs_Click() {
    WriteIniKey("Config", "AtcComs", std::to_string(cboAtcComs->currentIndex()));
    Settings.AtcComs = CBoolOrRaise(ReadSetting("AtcComs"));
}

void frmOptions::cboOwnComs_Click() {
    WriteIniKey("Config", "OwnComs", std::to_string(cboOwnComs->currentIndex()));
    Settings.OwnComs = CBoolOrRaise(ReadSetting("OwnComs"));
}

void frmOptions::chkLastMsg_Click() {
    WriteIniKey("Config", "LastMsg", std::to_string(checkValue(chkLastMsg)));
    Settings.LastMsg = CBoolOrRaise(ReadSetting("LastMsg"));
}

void frmOptions::chkShowATIS_Click() {
    WriteIniKey("Config", "ShowATIS", std::to_string(checkValue(chkShowATIS)));
    Settings.ShowATIS = CBoolOrRaise(ReadIniKey("Config", "ShowATIS", ""));
}

void frmOptions::chkHighlight_Click() {
    const int state = checkValue(chkHighlight);
    WriteIniKey("Config", "HighlightTX2U", std::to_string(state));
    if (state == 1) {
        const std::string back = ReadSetting("BackCol");
        const std::string highlightBack = ReadSetting("HBackCol");
        const std::string text = ReadSetting("TextCol");
        const std::string highlightText = ReadSetting("HTextCol");
        if (back == highlightBack && text == highlightText)
            MsgBox::Show("You will also need to set the 'Highlight Text Colour' and\r\n"
                         "'Highlight Background Color' options for this feature to work.\r\n",
                         MsgBox::vbInformation, "Options");
    }
    Settings.HighlightTX2U = CBoolOrRaise(ReadIniKey("Config", "HighlightTX2U", ""));
}

void frmOptions::chkOnTop_Click() {
    const int state = checkValue(chkOnTop);
    WriteIniKey("Config", "AlwaysOnTop", std::to_string(state));
    SetWindowPos(HandleOf(this), state == 1 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE);
}

void frmOptions::vsDelay_Change() {
    lblMsgDelay->setText(QString::number(vsDelay->Value()));
    WriteIniKey("Config", "MsgDelay", fromQt(lblMsgDelay->text()));
    Settings.MsgDelay = CLngOrRaise(ReadSetting("MsgDelay"));
    applyDelayPeriod();
}

void frmOptions::cmdClose_Click() {
    // The caption goes back to its normal colours, empty. A colour that cannot be read is
    // left as it is; the dialog closes all the same.
    frmMain& caption = frmMain::Get();
    Guarded([&] { caption.SetCaptionForeColor(CLngOrRaise(ReadSetting("TextCol"))); });
    Guarded([&] { caption.SetBackColor(CLngOrRaise(ReadSetting("BackCol"))); });
    caption.SetCaptionText("");
    done(QDialog::Accepted);
}
