// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the caption window's start-up and memory figures: a bare Qt Widgets window,
// frameless, with one label and nothing else, of the caption window's size on the screen (its
// client area of 15465 x 855 twips at 15 twips a pixel, and its 4-pixel sizing frame).
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("This is a test to see what highlighting looks like"));
    label.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    label.setWindowTitle(QStringLiteral("Baseline"));
    label.resize(1039, 65);
    label.show();
    return QApplication::exec();
}
