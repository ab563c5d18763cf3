// SPDX-License-Identifier: GPL-3.0-or-later
// The sizing frame of a frameless window: a thin border drawn inside the window's edge that
// the mouse resizes the window from. Switching it keeps the window's outer size, so the
// client area grows or shrinks by the frame.
#pragma once

#include <QObject>

class QWidget;

class SizingFrame : public QObject {
public:
    static constexpr int Thickness = 4; // pixels

    static void Apply(QWidget* window, bool shown);
    static bool IsShown(const QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit SizingFrame(QWidget* window);
    Qt::Edges EdgesAt(QPoint position) const;
    void Paint();

    QWidget* window_;
    bool shown_ = false;
};
