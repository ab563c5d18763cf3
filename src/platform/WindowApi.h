// SPDX-License-Identifier: GPL-3.0-or-later
// The handful of window-system calls the program's windows are written against, carried
// out on Qt top-level widgets. A window handle names a top-level widget; each window keeps
// its style words, and the sizing-frame style bit decides whether the window draws a frame
// the mouse can resize it from.
//
// They live in a namespace of their own: on Windows the system's real functions and its
// HWND type share these names in the global namespace.
#pragma once

#include <cstdint>

class QWidget;

namespace User32 {

using HWND = std::intptr_t;

inline constexpr HWND HWND_TOPMOST = -1;
inline constexpr HWND HWND_NOTOPMOST = -2;

inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr std::int32_t WS_THICKFRAME = 0x00040000;

inline constexpr unsigned SWP_NOSIZE = 0x1;
inline constexpr unsigned SWP_NOMOVE = 0x2;
inline constexpr unsigned SWP_NOZORDER = 0x4;
inline constexpr unsigned SWP_FRAMECHANGED = 0x20;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOW = 5;

inline constexpr unsigned WM_NCLBUTTONDOWN = 0xA1;
inline constexpr long HTCAPTION = 2;

// The handle of a top-level widget, and the widget behind a handle (null when none).
HWND HandleOf(QWidget* window);
QWidget* WindowFromHandle(HWND handle);

std::int32_t GetWindowLongA(HWND window, int index);
std::int32_t SetWindowLongA(HWND window, int index, std::int32_t newLong);
bool ShowWindow(HWND window, int command);
// Positions are in pixels. HWND_TOPMOST and HWND_NOTOPMOST switch the window's
// stay-on-top state without hiding or activating it; SWP_FRAMECHANGED re-applies the
// sizing frame from the style word.
bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, unsigned flags);
bool ReleaseCapture();
// WM_NCLBUTTONDOWN with HTCAPTION moves the window with the mouse as a title-bar press
// would, and returns once the button is released.
std::intptr_t SendMessageA(HWND window, unsigned message, std::intptr_t wParam, void* lParam);

// Whether the window is kept above all others (what the window system was last told).
bool IsTopMost(const QWidget* window);

// A disabled window takes no input. It keeps the control that had the keyboard focus and gives
// the focus back to it when it is enabled again, as after a modal dialog it opened. Returns
// whether the window was disabled before.
bool EnableWindow(QWidget* window, bool enable);

} // namespace User32
