// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/frmMain.h"

#include "link/SimulatorLink.h"
#include "platform/ActiveResize.h"
#include "platform/Guarded.h"
#include "platform/Text8.h"
#include "platform/Twips.h"
#include "platform/VbColour.h"
#include "platform/VbConvert.h"
#include "platform/VbError.h"
#include "platform/WindowApi.h"
#include "platform/WindowPlacement.h"
#include "platform/Winsock.h"
#include "startup/Common.h"
#include "startup/MainMod.h"
#include "ui/frmPopup.h"
#include "ui/frmSetup.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTimer>
#include <QWindow>

using namespace User32;

namespace {

frmMain* instance = nullptr;

int buttonMask(Qt::MouseButton button) {
    switch (button) {
    case Qt::LeftButton:
        return frmMain::vbLeftButton;
    case Qt::RightButton:
        return frmMain::vbRightButton;
    case Qt::MiddleButton:
        return frmMain::vbMiddleButton;
    default:
        return 0;
    }
}

int shiftMask(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? frmMain::vbShiftMask : 0) |
           (modifiers & Qt::ControlModifier ? frmMain::vbCtrlMask : 0) |
           (modifiers & Qt::AltModifier ? frmMain::vbAltMask : 0);
}

int keyCode(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Left:
        return frmMain::vbKeyLeft;
    case Qt::Key_Up:
        return frmMain::vbKeyUp;
    case Qt::Key_Right:
        return frmMain::vbKeyRight;
    case Qt::Key_Down:
        return frmMain::vbKeyDown;
    default:
        return 0;
    }
}

} // namespace

frmMain& frmMain::Get() {
    if (!instance) {
        instance = new frmMain;
        instance->Form_Load();
    }
    return *instance;
}

bool frmMain::Exists() {
    return instance != nullptr;
}

void frmMain::Unload() {
    // Handlers of the caption window may still be on the stack (the end command runs
    // inside the right-click handler), so the window goes once they have returned.
    if (instance) {
        instance->Winsock->Close();
        instance->timMonitorConnection.SetEnabled(false);
        instance->timMsgDelay.SetEnabled(false);
        instance->hide();
        instance->deleteLater();
        instance = nullptr;
    }
    QApplication::closeAllWindows();
    QApplication::quit();
}

frmMain::frmMain() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
    // The native window before the controls: where the window manager has to be asked for
    // the frame, it answers while they are made, not while the start waits for it.
    HandleOf(this);
    lblCaption =
        new QLabel(QStringLiteral("This is a test to see what highlighting looks like"), this);
    ActiveResize1 = new ActiveResize(this, DesignClientWidth, DesignClientHeight);
    Winsock = new ::Winsock(this);
    link_ = new SimulatorLink(*this, timMonitorConnection, this);
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Wingscribe"));
    setFocusPolicy(Qt::StrongFocus);
    WindowPlacement::Follow(this); // also where a screen edge stops it
    setAutoFillBackground(true);
    SetBackColor(0x000000);

    // The design: a sizing frame, and the label with margins of 120 twips on the left and
    // 330 on the right, filling the client area's height.
    SetWindowLongA(HandleOf(this), GWL_STYLE, WS_THICKFRAME);
    SetWindowPos(HandleOf(this), 0, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_FRAMECHANGED);
    Twips::SetClientSize(this, DesignClientWidth, DesignClientHeight);

    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setTextFormat(Qt::PlainText);
    lblCaption->setWordWrap(true);
    lblCaption->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblCaption->setCursor(Qt::ArrowCursor);
    lblCaption->installEventFilter(this);
    windowHandle()->installEventFilter(this);
    SetCaptionForeColor(0x00FF00);
    SetCaptionFontName("Arial");
    SetCaptionFontSize(12);
    ActiveResize1->AddControl(lblCaption, QRectF(120, 0, 15015, 855));
}

frmMain::~frmMain() {
    if (instance == this)
        instance = nullptr;
}

void frmMain::Form_Load() {
    const auto handle = HandleOf(this);
    // A Border that is not a truth value counts as no border; the load still completes.
    const bool border = CBool(MainMod::ReadSetting("Border")).value_or(false);
    COMMON::SetWindowStyle(handle, false, WS_THICKFRAME, border, false);
    CheckOnTopSetting();
    COMMON::CentreForm(this);
}

void frmMain::CheckOnTopSetting() {
    const bool onTop = MainMod::ReadIniKey("Config", "AlwaysOnTop", "") == "1";
    SetWindowPos(HandleOf(this), onTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE);
}

void frmMain::SetBackColor(std::int32_t colour) {
    if (palette().color(QPalette::Window) == FromVbColour(colour))
        return; // every message sets its colours; most often they are already there
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, FromVbColour(colour));
    setPalette(palette);
}

void frmMain::SetCaptionForeColor(std::int32_t colour) {
    if (lblCaption->palette().color(QPalette::WindowText) == FromVbColour(colour))
        return;
    QPalette palette = lblCaption->palette();
    palette.setColor(QPalette::WindowText, FromVbColour(colour));
    lblCaption->setPalette(palette);
}

void frmMain::SetCaptionText(const std::string& text) {
    lblCaption->setText(toQt(text));
}

void frmMain::ShowSetupDialog() {
    frmSetup& setup = frmSetup::Get();
    Twips::SetLeft(&setup, Twips::Left(this));
    Twips::SetTop(&setup, Twips::Top(this));
    if (setup.isVisible()) // the choice window's setup command has it open
        throw VbError(VbError::FormAlreadyShown, "Form already displayed; can't show modally");
    setup.exec();
}

void frmMain::SetSetupHost(const std::string& host) {
    frmSetup::Get().txtHost->setText(toQt(host));
}

std::string frmMain::CaptionText() const {
    return fromQt(lblCaption->text());
}

void frmMain::SetCaptionFontName(const std::string& name) {
    QFont font = lblCaption->font();
    font.setFamily(toQt(name));
    SetCaptionFont(font);
}

void frmMain::SetCaptionFontSize(float points) {
    if (points <= 0)
        throw VbError(VbError::InvalidPropertyValue, "Invalid property value");
    QFont font = lblCaption->font();
    font.setPointSizeF(points);
    SetCaptionFont(font);
}

void frmMain::SetCaptionFontBold(bool bold) {
    QFont font = lblCaption->font();
    font.setBold(bold);
    SetCaptionFont(font);
}

void frmMain::SetCaptionFontItalic(bool italic) {
    QFont font = lblCaption->font();
    font.setItalic(italic);
    SetCaptionFont(font);
}

void frmMain::SetCaptionFont(const QFont& font) {
    lblCaption->setFont(font);
    ApplySizeFloor();
}

void frmMain::ApplySizeFloor() {
    // Keys, the sizing frame and a restored layout all stop here: one line of the caption
    // font high and wide enough to find and grab, so the window can never shrink away.
    // Measuring the font loads it, which takes longer than all else before the window first
    // shows: until the window is on the screen, the floor waits for it.
    floorPending_ = !windowHandle() || !windowHandle()->isExposed();
    if (floorPending_)
        return;
    const QMargins frame = contentsMargins();
    setMinimumSize(MinimumWidth,
                   QFontMetrics(lblCaption->font()).height() + frame.top() + frame.bottom());
}

void frmMain::Form_KeyDown(int keyCode, int shift) {
    const float step = 10;
    if (shift == vbShiftMask) {
        if (keyCode == vbKeyLeft)
            Twips::SetLeft(this, Twips::Left(this) - step);
        else if (keyCode == vbKeyUp)
            Twips::SetTop(this, Twips::Top(this) - step);
        else if (keyCode == vbKeyRight)
            Twips::SetLeft(this, Twips::Left(this) + step);
        else if (keyCode == vbKeyDown)
            Twips::SetTop(this, Twips::Top(this) + step);
    } else if (shift == vbCtrlMask) {
        if (keyCode == vbKeyLeft)
            Twips::SetWidth(this, Twips::Width(this) - step);
        else if (keyCode == vbKeyUp)
            Twips::SetHeight(this, Twips::Height(this) - step);
        else if (keyCode == vbKeyRight)
            Twips::SetWidth(this, Twips::Width(this) + step);
        else if (keyCode == vbKeyDown)
            Twips::SetHeight(this, Twips::Height(this) + step);
    }
}

void frmMain::Form_MouseDown(int button) {
    if (button == vbLeftButton)
        DragWindow();
}

void frmMain::lblCaption_MouseDown(int button) {
    if (button == vbLeftButton)
        DragWindow();
    else if (button == vbRightButton)
        frmPopup::OpenOver(*this);
}

void frmMain::DragWindow() {
    setCursor(Qt::SizeAllCursor);
    lblCaption->setCursor(Qt::SizeAllCursor);
    ReleaseCapture();
    SendMessageA(HandleOf(this), WM_NCLBUTTONDOWN, HTCAPTION, nullptr);
    unsetCursor();
    lblCaption->setCursor(Qt::ArrowCursor);
    MainMod::WriteIniKey("Config", "LeftPos", COMMON::FormatSingle(Twips::Left(this)));
    MainMod::WriteIniKey("Config", "TopPos", COMMON::FormatSingle(Twips::Top(this)));
}

void frmMain::keyPressEvent(QKeyEvent* event) {
    Guarded([&] { Form_KeyDown(keyCode(event->key()), shiftMask(event->modifiers())); });
}

void frmMain::mousePressEvent(QMouseEvent* event) {
    Guarded([&] { Form_MouseDown(buttonMask(event->button())); });
}

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose && floorPending_)
        QTimer::singleShot(0, this, &frmMain::ApplySizeFloor);
    if (watched == lblCaption && (event->type() == QEvent::MouseButtonPress ||
                                  event->type() == QEvent::MouseButtonDblClick)) {
        const int button = buttonMask(static_cast<QMouseEvent*>(event)->button());
        Guarded([&] { lblCaption_MouseDown(button); });
        return true;
    }
    return false;
}

bool frmMain::event(QEvent* event) {
    if (event->type() == QEvent::ContentsRectChange) // the sizing frame came or went
        ApplySizeFloor();
    return QWidget::event(event);
}

void frmMain::closeEvent(QCloseEvent* event) {
    // Closing the caption window, by whatever means, ends the program.
    event->accept();
    QApplication::quit();
}
