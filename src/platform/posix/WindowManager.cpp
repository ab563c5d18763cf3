// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/WindowManager.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace {

const char* const FollowProperty = "wingscribeFollowsWindowManager";

xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

QPoint fromNative(const QWindow* handle, int x, int y) {
    const qreal scale = handle->devicePixelRatio();
    return QPoint(qRound(x / scale), qRound(y / scale));
}

// The window manager answers every move a program asks for with a synthetic ConfigureNotify
// that tells where the window went. Qt records it on the native window, but tells the widget
// only when the place differs from the one it last told: a window stopped at a screen edge
// again and again keeps, for its widget, every place it was asked to go.
class AnswerWatcher : public QAbstractNativeEventFilter {
public:
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (event->response_type != (XCB_CONFIGURE_NOTIFY | 0x80))
            return false;
        const auto* notify = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
        const xcb_window_t window = notify->window;
        const int x = notify->x, y = notify->y;
        // Once Qt has taken the event in.
        QMetaObject::invokeMethod(
            qApp, [window, x, y] { Settle(window, x, y); }, Qt::QueuedConnection);
        return false;
    }

private:
    static void Settle(xcb_window_t id, int x, int y) {
        QWidget* window = QWidget::find(WId(id));
        QWindow* handle = window ? window->windowHandle() : nullptr;
        if (!handle || !window->property(FollowProperty).toBool())
            return;
        const QPoint answer = fromNative(handle, x, y);
        // A move asked for since is not answered yet; its answer comes in turn. Setting the
        // widget to where its native window already is sends nothing to the window manager.
        if (handle->geometry().topLeft() == answer && window->geometry().topLeft() != answer)
            window->setGeometry(QRect(answer, window->size()));
    }
};

} // namespace

namespace WindowManager {

std::optional<QPoint> PositionOf(const QWidget* window) {
    xcb_connection_t* connection = x11Connection();
    const QWindow* handle = window->windowHandle();
    if (!connection || !handle || !window->isVisible())
        return std::nullopt;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
        xcb_translate_coordinates_reply(
            connection,
            xcb_translate_coordinates(connection, xcb_window_t(handle->winId()), root, 0, 0),
            nullptr),
        &std::free);
    if (!reply)
        return std::nullopt;
    return fromNative(handle, reply->dst_x, reply->dst_y);
}

void FollowAnswers(QWidget* window) {
    if (!x11Connection())
        return;
    static AnswerWatcher* const watcher = [] {
        auto* installed = new AnswerWatcher;
        qApp->installNativeEventFilter(installed);
        return installed;
    }();
    Q_UNUSED(watcher);
    window->setProperty(FollowProperty, true);
}

} // namespace WindowManager
