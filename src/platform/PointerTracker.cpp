// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PointerTracker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <functional>

namespace {

// Where the last mouse button went down, on the screen. A drag starts from there, not from
// where the pointer is by the time the press is handled: quick hands (and scripted input)
// are already further on.
QPoint lastPress;

class PressWatcher : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress)
            lastPress = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        return false;
    }
};

void watchPresses() {
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(new PressWatcher(app));
}
Q_COREAPP_STARTUP_FUNCTION(watchPresses)

// Follows the pointer from where the button went down until the left button goes up,
// reporting how far it has travelled.
class Tracker : public QObject {
public:
    using Follow = std::function<void(QPoint travelled)>;

    explicit Tracker(Follow follow) : follow_(std::move(follow)), start_(lastPress) {}

    void Run() {
        qApp->installEventFilter(this);
        loop_.exec();
        qApp->removeEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseMove: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (!(mouse->buttons() & Qt::LeftButton)) {
                loop_.quit(); // the release happened where we could not see it
                return false;
            }
            follow_(mouse->globalPosition().toPoint() - start_);
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            follow_(mouse->globalPosition().toPoint() - start_);
            loop_.quit();
            return true;
        }
        case QEvent::ApplicationDeactivate:
            loop_.quit();
            return false;
        default:
            return false;
        }
    }

private:
    Follow follow_;
    QPoint start_;
    QEventLoop loop_;
};

// The frame dragged by its edges, never below the minimum size (right and bottom are the
// last pixel inside, so a width w spans left .. left + w - 1).
QRect resized(QRect start, Qt::Edges edges, QPoint travelled, QSize minimum) {
    const int w = minimum.width() - 1, h = minimum.height() - 1;
    if (edges & Qt::LeftEdge)
        start.setLeft(std::min(start.left() + travelled.x(), start.right() - w));
    if (edges & Qt::RightEdge)
        start.setRight(std::max(start.right() + travelled.x(), start.left() + w));
    if (edges & Qt::TopEdge)
        start.setTop(std::min(start.top() + travelled.y(), start.bottom() - h));
    if (edges & Qt::BottomEdge)
        start.setBottom(std::max(start.bottom() + travelled.y(), start.top() + h));
    return start;
}

} // namespace

namespace PointerTracker {

void MoveByHand(QWidget* window) {
    QPointer<QWidget> guard(window);
    const QPoint origin = window->pos();
    Tracker([&](QPoint travelled) {
        if (guard)
            guard->move(origin + travelled);
    }).Run();
}

void ResizeByHand(QWidget* window, Qt::Edges edges) {
    QPointer<QWidget> guard(window);
    const QRect origin = window->geometry();
    const QSize minimum = window->minimumSize().expandedTo(QSize(24, 8));
    Tracker([&](QPoint travelled) {
        if (guard)
            guard->setGeometry(resized(origin, edges, travelled, minimum));
    }).Run();
}

void WaitForRelease() {
    Tracker([](QPoint) {}).Run();
}

} // namespace PointerTracker
