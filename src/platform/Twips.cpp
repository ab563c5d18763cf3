// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Twips.h"

#include "platform/FrameExtents.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cmath>

namespace {

// The frame the window system adds around a top-level window, also before its first showing.
QMargins frameMargins(const QWidget* window) {
    return FrameExtents::Of(window);
}

QRect screenGeometry() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

} // namespace

namespace Twips {

int ToPixels(float twips) {
    return static_cast<int>(std::lround(twips / PerPixel));
}
float FromPixels(int pixels) {
    return static_cast<float>(pixels) * PerPixel;
}

float Left(const QWidget* window) {
    return FromPixels(window->geometry().x() - frameMargins(window).left());
}
float Top(const QWidget* window) {
    return FromPixels(window->geometry().y() - frameMargins(window).top());
}
float Width(const QWidget* window) {
    const QMargins frame = frameMargins(window);
    return FromPixels(window->width() + frame.left() + frame.right());
}
float Height(const QWidget* window) {
    const QMargins frame = frameMargins(window);
    return FromPixels(window->height() + frame.top() + frame.bottom());
}
float ScaleWidth(const QWidget* window) {
    return FromPixels(window->contentsRect().width());
}
float ScaleHeight(const QWidget* window) {
    return FromPixels(window->contentsRect().height());
}

// The client rectangle is placed, so the frame lands where asked whether or not the window
// has been shown before.
void SetLeft(QWidget* window, float twips) {
    const QRect client = window->geometry();
    window->setGeometry(
        QRect(QPoint(ToPixels(twips) + frameMargins(window).left(), client.y()), client.size()));
}

void SetTop(QWidget* window, float twips) {
    const QRect client = window->geometry();
    window->setGeometry(
        QRect(QPoint(client.x(), ToPixels(twips) + frameMargins(window).top()), client.size()));
}

void SetWidth(QWidget* window, float twips) {
    const QMargins frame = frameMargins(window);
    const int width = ToPixels(twips) - frame.left() - frame.right();
    window->resize(std::max(width, window->minimumWidth()), window->height());
}

void SetHeight(QWidget* window, float twips) {
    const QMargins frame = frameMargins(window);
    const int height = ToPixels(twips) - frame.top() - frame.bottom();
    window->resize(window->width(), std::max(height, window->minimumHeight()));
}

void SetClientSize(QWidget* window, float widthTwips, float heightTwips) {
    const QMargins inner = window->contentsMargins();
    window->resize(ToPixels(widthTwips) + inner.left() + inner.right(),
                   ToPixels(heightTwips) + inner.top() + inner.bottom());
}

void SetControlRect(QWidget* control, float left, float top, float width, float height) {
    control->setGeometry(ToPixels(left), ToPixels(top), ToPixels(width), ToPixels(height));
}

float ScreenWidth() {
    return FromPixels(screenGeometry().width());
}
float ScreenHeight() {
    return FromPixels(screenGeometry().height());
}

} // namespace Twips
