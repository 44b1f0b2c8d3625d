#pragma once

#include <QByteArray>

#include <atomic>
#include <thread>

struct wl_display;

/// A Wayland display of the tests' own, its loop on a thread of its own. A test compositor creates its
/// globals on `display()` and then calls `serve()`; when it keeps state that clients' destructors
/// touch, it calls `stop()` before that state goes. Set XDG_RUNTIME_DIR before constructing it.
class TestCompositor {
public:
    TestCompositor();
    ~TestCompositor();
    TestCompositor(const TestCompositor &) = delete;
    TestCompositor &operator=(const TestCompositor &) = delete;

    wl_display *display() const { return m_display; }
    /// The socket's name in $XDG_RUNTIME_DIR, for WAYLAND_DISPLAY.
    QByteArray socket() const { return m_socket; }

    void serve();
    /// Stops serving and destroys every client's objects, on the calling thread.
    void stop();

private:
    wl_display *m_display;
    QByteArray m_socket;
    std::thread m_thread;
    std::atomic<bool> m_stop = false;
};
