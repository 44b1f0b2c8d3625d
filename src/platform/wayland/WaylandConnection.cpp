#include "WaylandConnection.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <poll.h>

#include <algorithm>
#include <cerrno>

namespace {

Q_LOGGING_CATEGORY(lcConnection, "quillbox.wayland", QtInfoMsg)

} // namespace

struct RegistryListener {
    static void global(
        void *data, wl_registry *, std::uint32_t name, const char *interface, std::uint32_t version)
    {
        static_cast<WaylandConnection *>(data)->m_globals.push_back({name, QByteArray(interface), version});
    }
    // Globals that go away later (an output unplugged) are none that is bound here.
    static void globalRemove(void *, wl_registry *, std::uint32_t) { }
    static constexpr wl_registry_listener listener = {global, globalRemove};
};

WaylandConnection::WaylandConnection(const QByteArray &displayName)
    : m_display(wl_display_connect(displayName.isEmpty() ? nullptr : displayName.constData()))
{
    if (!m_display)
        return;
    wl_registry *registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(registry, &RegistryListener::listener, this);
    if (wl_display_roundtrip(m_display) < 0) {
        wl_registry_destroy(registry);
        return;
    }
    m_registry = registry;
}

WaylandConnection::~WaylandConnection()
{
    m_notifier.reset();
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

QStringList WaylandConnection::interfaces() const
{
    QStringList names;
    for (const Global &offered : m_globals)
        names.append(QString::fromLatin1(offered.interface));
    return names;
}

const WaylandConnection::Global *WaylandConnection::global(const wl_interface &interface) const
{
    const auto found = std::find_if(m_globals.cbegin(), m_globals.cend(),
        [&interface](const Global &offered) { return offered.interface == interface.name; });
    return found == m_globals.cend() ? nullptr : &*found;
}

std::uint32_t WaylandConnection::version(const wl_interface &interface) const
{
    const Global *offered = global(interface);
    return offered ? offered->version : 0;
}

void *WaylandConnection::bindGlobal(const wl_interface &interface, std::uint32_t maxVersion, std::uint32_t minVersion)
{
    const Global *offered = global(interface);
    if (!isConnected() || !offered || offered->version < minVersion)
        return nullptr;
    return wl_registry_bind(m_registry, offered->name, &interface, std::min(offered->version, maxVersion));
}

bool WaylandConnection::roundtrip()
{
    return m_display && wl_display_roundtrip(m_display) >= 0;
}

bool WaylandConnection::flush()
{
    return m_display && (wl_display_flush(m_display) >= 0 || errno == EAGAIN);
}

void WaylandConnection::dispatchAsEventsArrive()
{
    if (!isConnected() || m_notifier)
        return;
    // Read as events come, so the compositor's buffer for us never fills.
    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] { readEvents(); });
}

// Never waits: a round trip may have read what woke the notifier, and wl_display_dispatch() would then
// block the thread until the compositor next says anything.
void WaylandConnection::readEvents()
{
    const auto lost = [this] {
        qCWarning(lcConnection) << "lost the Wayland connection";
        m_notifier->setEnabled(false);
    };
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return lost();
    }
    pollfd readable = {wl_display_get_fd(m_display), POLLIN, 0};
    if (poll(&readable, 1, 0) > 0 && (readable.revents & POLLIN)) {
        if (wl_display_read_events(m_display) < 0)
            return lost();
    } else {
        wl_display_cancel_read(m_display);
    }
    if (wl_display_dispatch_pending(m_display) < 0)
        lost();
}
