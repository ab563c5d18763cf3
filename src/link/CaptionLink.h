// SPDX-License-Identifier: GPL-3.0-or-later
// What the simulator link needs from the window that shows its texts: the caption text and
// its two colours, the display timer, the TCP client, and the setup dialog at the window's
// corner. The caption window provides it; tests can stand in for it without a window.
#pragma once

#include <cstdint>
#include <string>

class VbTimer;
class Winsock;

class CaptionLink {
public:
    virtual ~CaptionLink() = default;

    virtual Winsock& Client() = 0;
    virtual VbTimer& DisplayTimer() = 0;

    virtual void SetCaptionText(const std::string& text) = 0;
    // The window's background and the caption text's colour, 0x00BBGGRR.
    virtual void SetBackColor(std::int32_t colour) = 0;
    virtual void SetCaptionForeColor(std::int32_t colour) = 0;

    // Places the setup dialog at the window's top-left corner and shows it modally; returns
    // once it is closed. Throws VbError when the dialog is already shown.
    virtual void ShowSetupDialog() = 0;
    // Puts a host into the setup dialog's text box without showing the dialog.
    virtual void SetSetupHost(const std::string& host) = 0;

protected:
    CaptionLink() = default;
    CaptionLink(const CaptionLink&) = default;
    CaptionLink& operator=(const CaptionLink&) = default;
};
