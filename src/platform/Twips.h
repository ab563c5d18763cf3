// SPDX-License-Identifier: GPL-3.0-or-later
// Window geometry in twips, the unit the program's layout arithmetic is written in.
// One device-independent pixel is 15 twips (96 pixels per inch), whatever the screen's
// scale factor. Left, Top, Width and Height are the outer frame of a top-level window;
// ScaleWidth and ScaleHeight are its client area.
#pragma once

class QWidget;

namespace Twips {

inline constexpr float PerPixel = 15.0f;

int ToPixels(float twips);
float FromPixels(int pixels);

float Left(const QWidget* window);
float Top(const QWidget* window);
float Width(const QWidget* window);
float Height(const QWidget* window);
float ScaleWidth(const QWidget* window);
float ScaleHeight(const QWidget* window);

void SetLeft(QWidget* window, float twips);
void SetTop(QWidget* window, float twips);
void SetWidth(QWidget* window, float twips);
void SetHeight(QWidget* window, float twips);
// Sizes the client area (what a window's design gives).
void SetClientSize(QWidget* window, float widthTwips, float heightTwips);
// Places a child control inside its parent's client area.
void SetControlRect(QWidget* control, float left, float top, float width, float height);

// The whole primary screen, not its work area.
float ScreenWidth();
float ScreenHeight();

} // namespace Twips
