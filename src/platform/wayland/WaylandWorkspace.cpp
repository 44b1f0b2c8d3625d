#include "WaylandWorkspace.h"

#include <wlr-foreign-toplevel-management-unstable-v1-client.h>

#include <QLoggingCategory>

#include <wayland-client.h>

#include <algorithm>

namespace {

Q_LOGGING_CATEGORY(lcWorkspace, "quillbox.workspace", QtInfoMsg)

} // namespace

struct ToplevelListeners {
    using Workspace = WaylandWorkspace;
    using Toplevel = WaylandWorkspace::Toplevel;

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
        const bool changed = toplevel->activated != toplevel->pendingActivated
            || (toplevel->activated && toplevel->appId != toplevel->pendingAppId);
        toplevel->appId = toplevel->pendingAppId;
        toplevel->activated = toplevel->pendingActivated;
        if (changed)
            toplevel->workspace->noteFrontmostChanged();
    }
    static void closed(void *data, zwlr_foreign_toplevel_handle_v1 *)
    {
        auto *toplevel = static_cast<Toplevel *>(data);
        toplevel->workspace->noteClosed(toplevel);
    }
    static void parent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) { }

    static const zwlr_foreign_toplevel_manager_v1_listener managerListener;
    static const zwlr_foreign_toplevel_handle_v1_listener handleListener;
};

const zwlr_foreign_toplevel_manager_v1_listener ToplevelListeners::managerListener = {toplevel, finished};
const zwlr_foreign_toplevel_handle_v1_listener ToplevelListeners::handleListener
    = {title, appId, output, output, state, done, closed, parent};

WaylandWorkspace::WaylandWorkspace(WaylandConnection &connection, QObject *parent)
    : QObject(parent)
    , m_connection(connection)
    , m_seat(connection.bind(wl_seat_interface, 1, wl_seat_destroy))
    , m_manager(
          connection.bind(zwlr_foreign_toplevel_manager_v1_interface, 3, zwlr_foreign_toplevel_manager_v1_destroy))
{
    if (!m_manager) {
        qCInfo(lcWorkspace) << "the compositor does not list its windows (no wlroots foreign-toplevel): copies "
                               "are stored without their source application";
        return;
    }
    zwlr_foreign_toplevel_manager_v1_add_listener(m_manager.get(), &ToplevelListeners::managerListener, this);
    // The toplevels that exist already, then their state.
    m_connection.roundtrip();
    m_connection.roundtrip();
    m_connection.dispatchAsEventsArrive();
}

WaylandWorkspace::~WaylandWorkspace()
{
    for (const auto &toplevel : m_toplevels)
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
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

void WaylandWorkspace::noteFrontmostChanged()
{
    // Not from inside the dispatch: the observer asks for the front, which dispatches again.
    QMetaObject::invokeMethod(
        this, [this] { notifyFrontmostChanged(); }, Qt::QueuedConnection);
}

void WaylandWorkspace::noteClosed(Toplevel *toplevel)
{
    if (toplevel->activated)
        noteFrontmostChanged();
    zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    m_toplevels.remove_if(
        [toplevel](const std::unique_ptr<Toplevel> &candidate) { return candidate.get() == toplevel; });
}

// A focus change a moment ago may still be in the socket; the compositor answers a roundtrip at once.
void WaylandWorkspace::dispatch() const
{
    if (m_manager && !m_connection.roundtrip())
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

QList<RunningApplication> WaylandWorkspace::runningApplications() const
{
    dispatch();
    QList<RunningApplication> applications;
    for (const auto &toplevel : m_toplevels) {
        if (toplevel->appId.isEmpty())
            continue;
        RunningApplication application = m_desktopEntries.application(toplevel->appId);
        application.windowId = toplevel->id;
        applications.append(application);
    }
    return applications;
}

void WaylandWorkspace::activate(const RunningApplication &application)
{
    const auto toplevel = std::find_if(m_toplevels.cbegin(), m_toplevels.cend(),
        [&application](const std::unique_ptr<Toplevel> &candidate) { return candidate->id == application.windowId; });
    if (toplevel == m_toplevels.cend() || !m_seat)
        return;
    zwlr_foreign_toplevel_handle_v1_activate((*toplevel)->handle, m_seat.get());
    m_connection.flush();
}
