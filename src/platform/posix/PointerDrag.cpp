// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PointerDrag.h"

#include "platform/PointerTracker.h"

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

namespace {

// Where the window system cannot be trusted to move a frameless window and tell us when
// it is done (X11 window managers differ), the program moves it itself.
bool movesByHand() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("offscreen") ||
           platform == QLatin1String("minimal");
}

} // namespace

namespace PointerDrag {

void MoveWindow(QWidget* window) {
    if (!movesByHand() && window->windowHandle() && window->windowHandle()->startSystemMove()) {
        PointerTracker::WaitForRelease();
        return;
    }
    PointerTracker::MoveByHand(window);
}

void ResizeWindow(QWidget* window, Qt::Edges edges) {
    if (!movesByHand() && window->windowHandle() &&
        window->windowHandle()->startSystemResize(edges)) {
        PointerTracker::WaitForRelease();
        return;
    }
    PointerTracker::ResizeByHand(window, edges);
}

} // namespace PointerDrag
