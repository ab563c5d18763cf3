// Moving and resizing with the system's own loops: a press on the window is handed to the
// window system as a press on a title bar, which moves the window until the button goes up.
#include "platform/PointerDrag.h"

#include <QWidget>
#include <QWindow>

#include <windows.h>

namespace PointerDrag {

void MoveWindow(QWidget* window) {
    const HWND handle = reinterpret_cast<HWND>(window->winId());
    ::ReleaseCapture();
    ::SendMessageA(handle, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void ResizeWindow(QWidget* window, Qt::Edges edges) {
    if (QWindow* handle = window->windowHandle())
        handle->startSystemResize(edges);
}

} // namespace PointerDrag
