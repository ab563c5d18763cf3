// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/VScrollBar.h"

#include "platform/VbError.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <algorithm>

// The underlying Qt bar always counts from 0 at the top; positions map onto values here.
VScrollBar::VScrollBar(int top, int bottom, QWidget* parent)
    : QScrollBar(Qt::Vertical, parent), top_(top), bottom_(bottom) {
    setRange(0, std::abs(bottom - top));
    setSingleStep(1);
    setPageStep(1);
    setTracking(false);
    if (std::min(top, bottom) <= 0 && 0 <= std::max(top, bottom))
        SetValue(0);
    connect(this, &QScrollBar::valueChanged, this, &VScrollBar::Change);
}

int VScrollBar::Value() const {
    return top_ > bottom_ ? top_ - value() : top_ + value();
}

void VScrollBar::SetValue(int value) {
    if (value < std::min(top_, bottom_) || value > std::max(top_, bottom_))
        throw VbError(VbError::InvalidPropertyValue, "Invalid property value");
    setValue(top_ > bottom_ ? top_ - value : value - top_);
}

void VScrollBar::paintEvent(QPaintEvent* event) {
    QScrollBar::paintEvent(event);
    if (!hasFocus())
        return;
    // Styles draw no focus mark on a scroll bar. This one is mostly its two arrows, so the
    // mark goes round the whole bar.
    QStyleOptionFocusRect mark;
    mark.initFrom(this);
    mark.rect = rect().adjusted(1, 1, -1, -1);
    mark.backgroundColor = palette().color(QPalette::Button);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &mark, &painter, this);
}
