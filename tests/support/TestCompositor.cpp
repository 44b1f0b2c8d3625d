#include "TestCompositor.h"

#include <wayland-server.h>

TestCompositor::TestCompositor()
    : m_display(wl_display_create())
    , m_socket(wl_display_add_socket_auto(m_display))
{
}

TestCompositor::~TestCompositor()
{
    stop();
    wl_display_destroy(m_display);
}

void TestCompositor::serve()
{
    m_thread = std::thread([this] {
        wl_event_loop *loop = wl_display_get_event_loop(m_display);
        while (!m_stop) {
            wl_event_loop_dispatch(loop, 20);
            wl_display_flush_clients(m_display);
        }
    });
}

void TestCompositor::stop()
{
    if (m_stop.exchange(true))
        return;
    if (m_thread.joinable())
        m_thread.join();
    wl_display_destroy_clients(m_display);
}
