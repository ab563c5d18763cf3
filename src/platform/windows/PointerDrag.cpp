// SPDX-License-Identifier: GPL-3.0-or-later
// Moving and resizing with the system's own loops: a press on the window is handed to the
// window system as a press on a title bar, which moves the window until the button goes up.
// Without the Windows window system (the offscreen platform) the program follows the pointer
// itself.
#include "platform/PointerDrag.h"

#include "platform/PointerTracker.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include <windows.h>

namespace {

bool systemWindows() {
    return QGuiApplication::platformName() == QLatin1String("windows");
}

} // namespace

namespace PointerDrag {

void MoveWindow(QWidget* window) {
    if (!systemWindows()) {
        PointerTracker::MoveByHand(window);
        return;
    }
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    ::ReleaseCapture();
    ::SendMessageA(handle, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void ResizeWindow(QWidget* window, Qt::Edges edges) {
    QWindow* handle = window->windowHandle();
    if (!systemWindows() || !handle || !handle->startSystemResize(edges))
        PointerTracker::ResizeByHand(window, edges);
}

} // namespace PointerDrag
