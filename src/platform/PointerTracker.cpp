// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PointerTracker.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>

namespace {

constexpr int kSettleMs = 500; // the longest a drag waits for the window system

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

// The window system reports each new geometry of a window some time after it was asked
// for, and a late report of an earlier step puts Qt's idea of the window back there until
// the next report comes. Placing tells the geometries asked for from the reported ones, and
// ends a drag once the last step has been reported (or after a short while, should the
// window manager have put the window elsewhere), so that what the caller reads next is
// where the window ends up.
class Placing : public QObject {
public:
    explicit Placing(QWidget* window) : window_(window), asked_(window->geometry()) {
        window->installEventFilter(this);
    }

    QRect Asked() const { return asked_; }

    void Ask(const QRect& geometry) {
        asked_ = geometry;
        asking_ = true; // Qt may tell the window of the change at once: that is no report
        if (window_)
            window_->setGeometry(geometry);
        asking_ = false;
    }

    void WaitForReport() {
        if (!window_ || reported_ == asked_)
            return;
        QTimer::singleShot(kSettleMs, &settled_, &QEventLoop::quit);
        settled_.exec();
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if ((event->type() == QEvent::Move || event->type() == QEvent::Resize) && !asking_ &&
            window_) {
            reported_ = window_->geometry();
            if (reported_ == asked_)
                settled_.quit();
        }
        return false;
    }

private:
    QPointer<QWidget> window_;
    QRect asked_, reported_ = asked_;
    bool asking_ = false;
    QEventLoop settled_;
};

} // namespace

namespace PointerTracker {

void MoveByHand(QWidget* window) {
    Placing placing(window);
    const QRect origin = placing.Asked();
    Tracker([&](QPoint travelled) { placing.Ask(origin.translated(travelled)); }).Run();
    placing.WaitForReport();
}

void ResizeByHand(QWidget* window, Qt::Edges edges) {
    Placing placing(window);
    const QRect origin = placing.Asked();
    const QSize minimum = window->minimumSize().expandedTo(QSize(24, 8));
    Tracker([&](QPoint travelled) {
        placing.Ask(resized(origin, edges, travelled, minimum));
    }).Run();
    placing.WaitForReport();
}

void WaitForRelease() {
    Tracker([](QPoint) {}).Run();
}

} // namespace PointerTracker
