// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SizingFrame.h"

#include "platform/PointerDrag.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QWidget>

namespace {

Qt::CursorShape cursorFor(Qt::Edges edges) {
    const bool horizontal = edges & (Qt::LeftEdge | Qt::RightEdge);
    const bool vertical = edges & (Qt::TopEdge | Qt::BottomEdge);
    if (horizontal && vertical) {
        const bool falling = (edges & Qt::LeftEdge) == bool(edges & Qt::TopEdge);
        return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
    }
    if (horizontal)
        return Qt::SizeHorCursor;
    return vertical ? Qt::SizeVerCursor : Qt::ArrowCursor;
}

} // namespace

SizingFrame::SizingFrame(QWidget* window) : QObject(window), window_(window) {
    setObjectName(QStringLiteral("SizingFrame"));
    window->installEventFilter(this);
    window->setMouseTracking(true);
}

void SizingFrame::Apply(QWidget* window, bool shown) {
    auto* frame =
        window->findChild<SizingFrame*>(QStringLiteral("SizingFrame"), Qt::FindDirectChildrenOnly);
    if (!frame)
        frame = new SizingFrame(window);
    frame->shown_ = shown;
    const int margin = shown ? Thickness : 0;
    window->setContentsMargins(margin, margin, margin, margin);
    window->update();
}

bool SizingFrame::IsShown(const QWidget* window) {
    const auto* frame =
        window->findChild<SizingFrame*>(QStringLiteral("SizingFrame"), Qt::FindDirectChildrenOnly);
    return frame && frame->shown_;
}

Qt::Edges SizingFrame::EdgesAt(QPoint position) const {
    Qt::Edges edges;
    if (!shown_)
        return edges;
    const QRect inner = window_->rect().adjusted(Thickness, Thickness, -Thickness, -Thickness);
    if (position.x() < inner.left())
        edges |= Qt::LeftEdge;
    if (position.x() > inner.right())
        edges |= Qt::RightEdge;
    if (position.y() < inner.top())
        edges |= Qt::TopEdge;
    if (position.y() > inner.bottom())
        edges |= Qt::BottomEdge;
    return edges;
}

void SizingFrame::Paint() {
    QPainter painter(window_);
    const QRect outer = window_->rect();
    painter.setPen(Qt::NoPen);
    painter.setBrush(window_->palette().color(QPalette::Button));
    const int t = Thickness;
    painter.drawRect(0, 0, outer.width(), t);
    painter.drawRect(0, outer.height() - t, outer.width(), t);
    painter.drawRect(0, t, t, outer.height() - 2 * t);
    painter.drawRect(outer.width() - t, t, t, outer.height() - 2 * t);
    painter.setPen(window_->palette().color(QPalette::Dark));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(outer.adjusted(0, 0, -1, -1));
}

bool SizingFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_ || !shown_)
        return false;
    switch (event->type()) {
    case QEvent::Paint: {
        // Most repaints are a new message in the label; the frame only needs drawing when
        // the damage reaches it.
        const QRect inner = window_->rect().adjusted(Thickness, Thickness, -Thickness, -Thickness);
        if (!inner.contains(static_cast<QPaintEvent*>(event)->rect()))
            Paint();
        return false;
    }
    case QEvent::MouseMove: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->buttons() == Qt::NoButton)
            window_->setCursor(cursorFor(EdgesAt(mouse->position().toPoint())));
        return false;
    }
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        const Qt::Edges edges = EdgesAt(mouse->position().toPoint());
        if (mouse->button() != Qt::LeftButton || !edges)
            return false;
        PointerDrag::ResizeWindow(window_, edges);
        return true;
    }
    case QEvent::Leave:
        window_->unsetCursor();
        return false;
    default:
        return false;
    }
}
