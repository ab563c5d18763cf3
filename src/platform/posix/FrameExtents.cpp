// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/FrameExtents.h"

#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

// On X11 the window manager draws the frame and reports it in _NET_FRAME_EXTENTS once it
// has taken the window over, which is after the first showing. Before that, the program
// asks for the frame the window would get (_NET_REQUEST_FRAME_EXTENTS), and the window
// manager sets the property on the window not yet shown.

namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

constexpr int AnswerWaitMs = 200;
const char* const AskedProperty = "wingscribeFrameAskedFor";
const char* const AskedAtProperty = "wingscribeFrameAskedAt";

// The atoms this file uses, asked for together: one round trip to the X server.
struct Atoms {
    xcb_atom_t extents = XCB_ATOM_NONE;   // _NET_FRAME_EXTENTS
    xcb_atom_t request = XCB_ATOM_NONE;   // _NET_REQUEST_FRAME_EXTENTS
    xcb_atom_t supported = XCB_ATOM_NONE; // _NET_SUPPORTED
};

const Atoms& atoms(xcb_connection_t* connection) {
    static const Atoms known = [connection] {
        const char* const names[] = {"_NET_FRAME_EXTENTS", "_NET_REQUEST_FRAME_EXTENTS",
                                     "_NET_SUPPORTED"};
        xcb_intern_atom_cookie_t cookies[3];
        for (int i = 0; i < 3; ++i)
            cookies[i] =
                xcb_intern_atom(connection, 0, std::uint16_t(std::strlen(names[i])), names[i]);
        xcb_atom_t found[3];
        for (int i = 0; i < 3; ++i) {
            const Reply<xcb_intern_atom_reply_t> reply(
                xcb_intern_atom_reply(connection, cookies[i], nullptr));
            found[i] = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        }
        return Atoms{found[0], found[1], found[2]};
    }();
    return known;
}

xcb_window_t rootOf(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

// _NET_FRAME_EXTENTS holds left, right, top and bottom.
std::optional<QMargins> readExtents(xcb_connection_t* connection, xcb_window_t window) {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, atoms(connection).extents, XCB_ATOM_CARDINAL, 0, 4),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) != 16)
        return std::nullopt;
    const auto* value = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
    return QMargins(int(value[0]), int(value[2]), int(value[1]), int(value[3]));
}

// Whether the running window manager says it answers the request (read once).
bool requestSupported(xcb_connection_t* connection, xcb_atom_t request) {
    static const bool supported = [&] {
        const xcb_atom_t list = atoms(connection).supported;
        const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, rootOf(connection), list, XCB_ATOM_ATOM, 0, 4096),
            nullptr));
        if (!reply || reply->format != 32)
            return false;
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
        const int count = xcb_get_property_value_length(reply.get()) / 4;
        return std::find(atoms, atoms + count, request) != atoms + count;
    }();
    return supported;
}

void sendRequest(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t request) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = request;
    xcb_send_event(connection, 0, rootOf(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

qint64 steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

xcb_connection_t* connectionOf(const QWidget* window) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return window->isWindow() && window->windowHandle() && x11 ? x11->connection() : nullptr;
}

// Asks the window manager once per native window (asking one that does not answer such
// requests does no harm); returns when it was asked.
qint64 askedAt(QWidget* window, xcb_connection_t* connection) {
    const auto id = xcb_window_t(window->winId());
    if (window->property(AskedProperty).toULongLong() != id) {
        window->setProperty(AskedProperty, qulonglong(id));
        window->setProperty(AskedAtProperty, steadyMs());
        sendRequest(connection, id, atoms(connection).request);
    }
    return window->property(AskedAtProperty).toLongLong();
}

} // namespace

namespace FrameExtents {

void Ask(const QWidget* window) {
    if (xcb_connection_t* connection = connectionOf(window); connection && !window->isVisible())
        askedAt(const_cast<QWidget*>(window), connection);
}

QMargins Of(const QWidget* window) {
    if (!window->isWindow())
        return {};
    auto* widget = const_cast<QWidget*>(window);
    widget->winId();
    const QWindow* handle = window->windowHandle();
    if (!handle)
        return {};
    // Once the window is shown, Qt follows the window manager's frame itself.
    const QMargins known = handle->frameMargins();
    xcb_connection_t* connection = connectionOf(window);
    if (!connection || window->isVisible() || !known.isNull())
        return known;

    const auto id = xcb_window_t(handle->winId());
    if (const auto extents = readExtents(connection, id))
        return *extents;
    if (!requestSupported(connection, atoms(connection).request))
        return known;
    // The window manager answers within a few milliseconds of being asked; the wait is
    // bounded for one that does not, and looks less often the longer it takes.
    const qint64 deadline = askedAt(widget, connection) + AnswerWaitMs;
    for (unsigned long pause = 50; steadyMs() < deadline; pause = std::min(pause * 2, 2000UL)) {
        QThread::usleep(pause);
        if (const auto extents = readExtents(connection, id))
            return *extents;
    }
    return known; // not answered: the frame stays unknown
}

} // namespace FrameExtents
