// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowPlacement.h"

#include "platform/WindowManager.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

WindowPlacement::WindowPlacement(QWidget* window) : QObject(window), window_(window) {
    window->installEventFilter(this);
}

void WindowPlacement::Follow(QWidget* window) {
    WindowManager::FollowAnswers(window);
}

void WindowPlacement::KeepWhereAsked(QWidget* window) {
    Follow(window);
    new WindowPlacement(window);
}

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
    QWindow* handle = window_->windowHandle();
    if (watched == window_ && event->type() == QEvent::Show && handle) {
        asked_ = window_->geometry().topLeft();
        settling_ = true;
        handle->installEventFilter(this);
    } else if (watched == handle && settling_ && event->type() == QEvent::Expose &&
               handle->isExposed()) {
        // The window manager places a window before it shows it, so by its first exposure
        // the window is where the window manager put it; a move from now on is one it takes
        // from the program, as any later move.
        settling_ = false;
        const std::optional<QPoint> placed = WindowManager::PositionOf(window_);
        if (placed && *placed != asked_) {
            // The widget may not know yet where the window went: first to where it is, so
            // that the move back is a move.
            window_->setGeometry(QRect(*placed, window_->size()));
            window_->setGeometry(QRect(asked_, window_->size()));
        }
    }
    return false;
}
