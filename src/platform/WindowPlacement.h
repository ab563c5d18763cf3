// SPDX-License-Identifier: GPL-3.0-or-later
// Keeping a top-level window where the program puts it, as far as the window system lets
// it. The window manager has the last word on a window's place (see WindowManager.h); the
// program measures its windows where they really are and places its dialogs exactly.
#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

class WindowPlacement : public QObject {
public:
    // The window's position, as its widget reports it, is where the window really is once
    // the window manager has answered a move: a window stopped at a screen edge is measured
    // at that edge, not where it was asked to go.
    static void Follow(QWidget* window);

    // As Follow; and each time the window is shown somewhere other than where it was asked
    // to be (window managers pull new dialogs onto the screen), it is moved once more to that
    // place. Openers place their dialogs exactly, partly off the screen if need be.
    static void KeepWhereAsked(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowPlacement(QWidget* window);

    QWidget* window_;
    QPoint asked_;
    bool settling_ = false; // shown, and not yet on the screen
};
