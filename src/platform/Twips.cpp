#include "platform/Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace {

// The frame the window manager adds around a decorated window, in pixels.
QMargins frameMargins(const QWidget* window) {
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
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
    return FromPixels(window->frameGeometry().x());
}
float Top(const QWidget* window) {
    return FromPixels(window->frameGeometry().y());
}
float Width(const QWidget* window) {
    return FromPixels(window->frameGeometry().width());
}
float Height(const QWidget* window) {
    return FromPixels(window->frameGeometry().height());
}
float ScaleWidth(const QWidget* window) {
    return FromPixels(window->contentsRect().width());
}
float ScaleHeight(const QWidget* window) {
    return FromPixels(window->contentsRect().height());
}

void SetLeft(QWidget* window, float twips) {
    window->move(ToPixels(twips), window->frameGeometry().y());
}

void SetTop(QWidget* window, float twips) {
    window->move(window->frameGeometry().x(), ToPixels(twips));
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
