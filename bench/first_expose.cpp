// SPDX-License-Identifier: GPL-3.0-or-later
// Starts a program and times it to the first Expose event of its top-level window with the
// given title, as a separate X client sees it: the start time is taken just before fork(), the
// end time when the event is read. Every window created on the root window is asked for its
// Expose events as soon as its CreateNotify arrives, which is long before it can be mapped (a
// window manager sits between the map request and the map).
//
// Usage: bench_first_expose TITLE PROGRAM [ARGS...]
// Prints "<milliseconds> <pid>" and then waits for the program to end; SIGTERM or SIGINT to this
// process is passed on to the program. The program's output goes to this process's stderr, and
// so does a line on how it ended, unless it was ended that way.
// Exit status 1 when no such window was exposed within 20 s.
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

volatile pid_t child = 0;
volatile sig_atomic_t forwarded = 0;

void passOn(int signal) {
    forwarded = signal;
    if (child > 0)
        kill(child, signal);
}

std::string title(xcb_connection_t* c, xcb_window_t window) {
    const auto cookie =
        xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
    std::string text;
    if (reply)
        text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    std::size_t(xcb_get_property_value_length(reply)));
    std::free(reply);
    return text;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s TITLE PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "cannot open the X display\n");
        return 2;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t rootMask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &rootMask);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); // in effect now

    std::signal(SIGTERM, passOn);
    std::signal(SIGINT, passOn);
    const auto start = std::chrono::steady_clock::now();
    child = fork();
    if (child == 0) {
        dup2(2, 1);
        execv(argv[2], argv + 2);
        std::perror(argv[2]);
        _exit(127);
    }

    const auto deadline = start + std::chrono::seconds(20);
    bool found = false;
    pollfd descriptor{xcb_get_file_descriptor(c), POLLIN, 0};
    while (!found && std::chrono::steady_clock::now() < deadline && !xcb_connection_has_error(c)) {
        xcb_generic_event_t* event = xcb_poll_for_event(c);
        if (!event) {
            poll(&descriptor, 1, 100);
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        const int type = event->response_type & 0x7f;
        if (type == XCB_CREATE_NOTIFY) {
            const uint32_t mask = XCB_EVENT_MASK_EXPOSURE;
            const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
            xcb_change_window_attributes(c, created->window, XCB_CW_EVENT_MASK, &mask);
            xcb_flush(c);
        } else if (type == XCB_EXPOSE &&
                   title(c, reinterpret_cast<xcb_expose_event_t*>(event)->window) == argv[1]) {
            found = true;
            std::printf("%.3f %d\n", std::chrono::duration<double, std::milli>(now - start).count(),
                        int(child));
            std::fflush(stdout);
        }
        std::free(event);
    }
    xcb_disconnect(c);
    if (!found) {
        std::fprintf(stderr, "%s: no window \"%s\" exposed within 20 s\n", argv[0], argv[1]);
        kill(child, SIGTERM);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (forwarded == 0 && WIFSIGNALED(status))
        std::fprintf(stderr, "%s: %s ended by signal %d\n", argv[0], argv[2], WTERMSIG(status));
    else if (forwarded == 0 && WIFEXITED(status))
        std::fprintf(stderr, "%s: %s exited with %d\n", argv[0], argv[2], WEXITSTATUS(status));
    return found ? 0 : 1;
}
