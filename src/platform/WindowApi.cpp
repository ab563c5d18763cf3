// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowApi.h"

#include "platform/FrameExtents.h"
#include "platform/PointerDrag.h"
#include "platform/SizingFrame.h"

#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace {

using namespace User32;

const char* const FocusProperty = "wingscribeFocusWhenEnabled";

const char* styleProperty(int index) {
    return index == GWL_EXSTYLE ? "wingscribeExStyle" : "wingscribeStyle";
}

void setStayOnTop(QWidget* window, bool onTop) {
    window->setProperty("wingscribeTopMost", onTop);
    if (QWindow* handle = window->windowHandle()) {
        // Changing the flag on the live window leaves it mapped and unfocused; going
        // through the widget would re-create and hide it.
        handle->setFlag(Qt::WindowStaysOnTopHint, onTop);
        window->overrideWindowFlags(handle->flags());
    } else {
        window->setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    }
}

} // namespace

namespace User32 {

// A window whose native window is made here starts finding out its frame at once.
HWND HandleOf(QWidget* window) {
    if (!window)
        return 0;
    const bool made = !window->testAttribute(Qt::WA_WState_Created);
    const auto handle = static_cast<HWND>(window->winId());
    if (made)
        FrameExtents::Ask(window);
    return handle;
}

QWidget* WindowFromHandle(HWND handle) {
    if (handle <= 0)
        return nullptr;
    return QWidget::find(static_cast<WId>(handle));
}

std::int32_t GetWindowLongA(HWND handle, int index) {
    const QWidget* window = WindowFromHandle(handle);
    return window ? window->property(styleProperty(index)).toInt() : 0;
}

std::int32_t SetWindowLongA(HWND handle, int index, std::int32_t newLong) {
    QWidget* window = WindowFromHandle(handle);
    if (!window)
        return 0;
    const std::int32_t previous = window->property(styleProperty(index)).toInt();
    window->setProperty(styleProperty(index), newLong);
    return previous;
}

bool ShowWindow(HWND handle, int command) {
    QWidget* window = WindowFromHandle(handle);
    if (!window)
        return false;
    const bool wasVisible = window->isVisible();
    if (command == SW_HIDE)
        window->hide();
    else if (command == SW_SHOW)
        window->show();
    return wasVisible;
}

bool SetWindowPos(HWND handle, HWND insertAfter, int x, int y, int cx, int cy, unsigned flags) {
    QWidget* window = WindowFromHandle(handle);
    if (!window)
        return false;
    if (!(flags & SWP_NOZORDER) && (insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST))
        setStayOnTop(window, insertAfter == HWND_TOPMOST);
    if (flags & SWP_FRAMECHANGED)
        SizingFrame::Apply(window, GetWindowLongA(handle, GWL_STYLE) & WS_THICKFRAME);
    if (!(flags & SWP_NOMOVE))
        window->move(x, y);
    if (!(flags & SWP_NOSIZE))
        window->resize(cx, cy);
    return true;
}

bool ReleaseCapture() {
    if (QWidget* grabber = QWidget::mouseGrabber())
        grabber->releaseMouse();
    return true;
}

std::intptr_t SendMessageA(HWND handle, unsigned message, std::intptr_t wParam, void*) {
    QWidget* window = WindowFromHandle(handle);
    if (window && message == WM_NCLBUTTONDOWN && wParam == HTCAPTION)
        PointerDrag::MoveWindow(window);
    return 0;
}

bool IsTopMost(const QWidget* window) {
    return window->property("wingscribeTopMost").toBool();
}

bool EnableWindow(QWidget* window, bool enable) {
    const bool wasDisabled = !window->isEnabled();
    // Qt takes the focus away from a disabled control for good; the window system keeps it.
    if (!enable && !wasDisabled)
        window->setProperty(FocusProperty, QVariant::fromValue(QPointer(window->focusWidget())));
    window->setEnabled(enable);
    if (enable && wasDisabled) {
        const auto focus = window->property(FocusProperty).value<QPointer<QWidget>>();
        window->setProperty(FocusProperty, QVariant());
        if (focus && focus->isEnabled())
            focus->setFocus(); // now, or when the window is next activated
    }
    return wasDisabled;
}

} // namespace User32
