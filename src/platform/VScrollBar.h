// SPDX-License-Identifier: GPL-3.0-or-later
// A vertical scroll bar whose top end may hold the larger value, as a spinner needs: with
// top 180 and bottom 0, the up arrow raises the value. Change is raised after each arrow
// or track click and once when a drag of the box ends. With the keyboard focus it shows a
// focus mark round itself, as every other control shows that it has the focus.
#pragma once

#include <QScrollBar>

class VScrollBar : public QScrollBar {
    Q_OBJECT
public:
    VScrollBar(int top, int bottom, QWidget* parent = nullptr);

    int Value() const;
    // Throws VbError(InvalidPropertyValue) outside the bar's range.
    void SetValue(int value);

Q_SIGNALS:
    void Change();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int top_;
    int bottom_;
};
