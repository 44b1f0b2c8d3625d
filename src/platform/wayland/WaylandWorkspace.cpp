#include "WaylandWorkspace.h"

#include <wlr-foreign-toplevel-management-unstable-v1-client.h>

#include <QLoggingCategory>
#include <QSocketNotifier>

#include <wayland-client.h>

#include <poll.h>

#include <algorithm>
#include <string_view>

namespace {

Q_LOGGING_CATEGORY(lcWorkspace, "quillbox.workspace", QtInfoMsg)

} // namespace

struct ToplevelListeners {
    using Workspace = WaylandWorkspace;
    using Toplevel = WaylandWorkspace::Toplevel;

    static void global(
        void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
    {
        static_cast<Workspace *>(data)->noteGlobal(registry, name, interface, version);
    }
    static void globalRemove(void *, wl_registry *, std::uint32_t) { }
    static void toplevel(void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        static_cast<Workspace *>(data)->noteToplevel(handle);
    }
    static void finished(void *, zwlr_foreign_toplevel_manager_v1 *) { }
    static void title(void *, zwlr_foreign_toplevel_handle_v1 *, const char *) { }
    static void appId(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId)
    {
        static_cast<Toplevel *>(data)->pendingAppId = QString::fromUtf8(appId);
    }
    static void output(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) { }
    static void state(void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states)
    {
        auto *toplevel = static_cast<Toplevel *>(data);
        const auto *begin = static_cast<const std::uint32_t *>(states->data);
        const auto *end = begin + states->size / sizeof(std::uint32_t);
        toplevel->pendingActivated
            = std::find(begin, end, std::uint32_t(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED)) != end;
    }
    static void done(void *data, zwlr_foreign_toplevel_handle_v1 *)
    {
        auto *toplevel = static_cast<Toplevel *>(data);
        toplevel->appId = toplevel->pendingAppId;
        toplevel->activated = toplevel->pendingActivated;
    }
    static void closed(void *data, zwlr_foreign_toplevel_handle_v1 *)
    {
        auto *toplevel = static_cast<Toplevel *>(data);
        toplevel->workspace->noteClosed(toplevel);
    }
    static void parent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) { }

    static const wl_registry_listener registryListener;
    static const zwlr_foreign_toplevel_manager_v1_listener managerListener;
    static const zwlr_foreign_toplevel_handle_v1_listener handleListener;
};

const wl_registry_listener ToplevelListeners::registryListener = {global, globalRemove};
const zwlr_foreign_toplevel_manager_v1_listener ToplevelListeners::managerListener = {toplevel, finished};
const zwlr_foreign_toplevel_handle_v1_listener ToplevelListeners::handleListener
    = {title, appId, output, output, state, done, closed, parent};

WaylandWorkspace::WaylandWorkspace(const QByteArray &displayName, QObject *parent)
    : QObject(parent)
{
    m_display = wl_display_connect(displayName.isEmpty() ? nullptr : displayName.constData());
    if (!m_display)
        return;
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &ToplevelListeners::registryListener, this);
    wl_display_roundtrip(m_display);
    if (!m_manager) {
        qCInfo(lcWorkspace) << "the compositor does not list its windows (no wlroots foreign-toplevel): copies "
                               "are stored without their source application";
        return;
    }
    // The toplevels that exist already, with their state.
    wl_display_roundtrip(m_display);
    // Read as events come, so the compositor's buffer for us never fills.
    m_notifier = std::make_unique<QSocketNotifier>(wl_display_get_fd(m_display), QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { readEvents(); });
}

WaylandWorkspace::~WaylandWorkspace()
{
    m_notifier.reset();
    for (const auto &toplevel : m_toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    if (m_manager)
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void WaylandWorkspace::noteGlobal(
    wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
{
    const std::string_view offered(interface);
    if (offered == wl_seat_interface.name && !m_seat) {
        m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (offered == zwlr_foreign_toplevel_manager_v1_interface.name) {
        m_manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(wl_registry_bind(
            registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min<std::uint32_t>(version, 3)));
        zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &ToplevelListeners::managerListener, this);
    }
}

void WaylandWorkspace::noteToplevel(zwlr_foreign_toplevel_handle_v1 *handle)
{
    auto toplevel = std::make_unique<Toplevel>();
    toplevel->workspace = this;
    toplevel->handle = handle;
    toplevel->id = m_nextId++;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &ToplevelListeners::handleListener, toplevel.get());
    m_toplevels.push_back(std::move(toplevel));
}

void WaylandWorkspace::noteClosed(Toplevel *toplevel)
{
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    m_toplevels.remove_if(
        [toplevel](const std::unique_ptr<Toplevel> &candidate) { return candidate.get() == toplevel; });
}

// Never waits: a roundtrip may have read what woke the notifier, and wl_display_dispatch() would
// then block the GUI thread until the compositor next says anything.
void WaylandWorkspace::readEvents()
{
    while (wl_display_prepare_read(m_display) != 0) {
        if (wl_display_dispatch_pending(m_display) < 0)
            return m_notifier->setEnabled(false);
    }
    pollfd readable = {wl_display_get_fd(m_display), POLLIN, 0};
    if (poll(&readable, 1, 0) > 0 && (readable.revents & POLLIN)) {
        if (wl_display_read_events(m_display) < 0)
            return m_notifier->setEnabled(false);
    } else {
        wl_display_cancel_read(m_display);
    }
    if (wl_display_dispatch_pending(m_display) < 0)
        m_notifier->setEnabled(false);
}

// A focus change a moment ago may still be in the socket; the compositor answers a roundtrip at once.
void WaylandWorkspace::dispatch() const
{
    if (m_display && m_manager && wl_display_roundtrip(m_display) < 0)
        qCWarning(lcWorkspace) << "lost the Wayland connection";
}

std::optional<RunningApplication> WaylandWorkspace::frontmostApplication() const
{
    dispatch();
    const auto active = std::find_if(m_toplevels.cbegin(), m_toplevels.cend(),
        [](const std::unique_ptr<Toplevel> &toplevel) { return toplevel->activated; });
    if (active == m_toplevels.cend() || (*active)->appId.isEmpty())
        return std::nullopt;
    RunningApplication application = m_desktopEntries.application((*active)->appId);
    application.windowId = (*active)->id;
    return application;
}

void WaylandWorkspace::activate(const RunningApplication &application)
{
    const auto toplevel = std::find_if(m_toplevels.cbegin(), m_toplevels.cend(),
        [&application](const std::unique_ptr<Toplevel> &candidate) { return candidate->id == application.windowId; });
    if (toplevel == m_toplevels.cend() || !m_seat)
        return;
    zwlr_foreign_toplevel_handle_v1_activate((*toplevel)->handle, m_seat);
    wl_display_flush(m_display);
}
