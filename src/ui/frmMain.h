// SPDX-License-Identifier: GPL-3.0-or-later
// The caption window: a long, low window without a title bar that shows one simulator
// message at a time. It owns the link to the simulator, the two timers that drive it and
// the resize component that keeps its layout.
#pragma once

#include "link/CaptionLink.h"
#include "platform/VbTimer.h"

#include <QWidget>
#include <cstdint>
#include <string>

class QLabel;
class ActiveResize;
class Winsock;
class SimulatorLink;

class frmMain : public QWidget, public CaptionLink {
    Q_OBJECT
public:
    // Design sizes in twips.
    static constexpr float DesignClientWidth = 15465;
    static constexpr float DesignClientHeight = 855;
    // The narrowest the window may be made, in pixels.
    static constexpr int MinimumWidth = 100;

    // The one caption window, created and loaded on first use.
    static frmMain& Get();
    static bool Exists();
    // Unloading the caption window ends the program.
    static void Unload();

    ~frmMain() override;

    // Applies AlwaysOnTop from the settings file: only the exact text "1" means on top.
    void CheckOnTopSetting();

    // What the other windows and the link set on the caption.
    void SetBackColor(std::int32_t colour) override;
    void SetCaptionForeColor(std::int32_t colour) override;
    void SetCaptionText(const std::string& text) override;
    std::string CaptionText() const;
    void SetCaptionFontName(const std::string& name);
    void SetCaptionFontSize(float points);
    void SetCaptionFontBold(bool bold);
    void SetCaptionFontItalic(bool italic);

    QLabel* lblCaption = nullptr;
    ActiveResize* ActiveResize1 = nullptr;
    VbTimer timMsgDelay{5000, false};
    VbTimer timMonitorConnection{1000, true};
    ::Winsock* Winsock = nullptr;

    // The key codes and modifier masks the keyboard handler understands.
    enum : int { vbKeyLeft = 37, vbKeyUp = 38, vbKeyRight = 39, vbKeyDown = 40 };
    enum : int { vbShiftMask = 1, vbCtrlMask = 2, vbAltMask = 4 };
    enum : int { vbLeftButton = 1, vbRightButton = 2, vbMiddleButton = 4 };

    void Form_KeyDown(int keyCode, int shift);
    void Form_MouseDown(int button);
    void lblCaption_MouseDown(int button);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    frmMain();
    void Form_Load();
    void DragWindow();
    void SetCaptionFont(const QFont& font);
    void ApplySizeFloor();
    bool floorPending_ = true;

    // What the link reaches the caption window through.
    ::Winsock& Client() override { return *Winsock; }
    VbTimer& DisplayTimer() override { return timMsgDelay; }
    void ShowSetupDialog() override;
    void SetSetupHost(const std::string& host) override;

    SimulatorLink* link_ = nullptr;
};
