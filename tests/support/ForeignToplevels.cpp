#include "ForeignToplevels.h"

#include <wlr-foreign-toplevel-management-unstable-v1-client.h>

#include <wayland-client.h>

#include <algorithm>
#include <string_view>

struct ToplevelListeners {
    static ForeignToplevels::Handle &of(void *data) { return *static_cast<ForeignToplevels::Handle *>(data); }

    static void global(
        void *data, wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version)
    {
        static_cast<ForeignToplevels *>(data)->noteGlobal(registry, name, interface, version);
    }
    static void globalRemove(void *, wl_registry *, std::uint32_t) { }

    static void toplevel(void *data, zwlr_foreign_toplevel_manager_v1 *, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        auto *toplevels = static_cast<ForeignToplevels *>(data);
        ForeignToplevels::Handle &added = toplevels->m_handles.emplace_back();
        added.handle = handle;
        zwlr_foreign_toplevel_handle_v1_add_listener(handle, &handleListener, &added);
    }
    static void finished(void *, zwlr_foreign_toplevel_manager_v1 *) { }

    static void title(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *title)
    {
        of(data).pending.title = QString::fromUtf8(title);
    }
    static void appId(void *data, zwlr_foreign_toplevel_handle_v1 *, const char *appId)
    {
        of(data).pending.appId = QString::fromUtf8(appId);
    }
    static void outputEnter(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) { }
    static void outputLeave(void *, zwlr_foreign_toplevel_handle_v1 *, wl_output *) { }
    static void state(void *data, zwlr_foreign_toplevel_handle_v1 *, wl_array *states)
    {
        const auto *begin = static_cast<const std::uint32_t *>(states->data);
        of(data).pending.activated = std::find(begin, begin + states->size / sizeof(std::uint32_t),
                                         std::uint32_t(ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED))
            != begin + states->size / sizeof(std::uint32_t);
    }
    static void done(void *data, zwlr_foreign_toplevel_handle_v1 *)
    {
        of(data).shown = of(data).pending;
        of(data).described = true;
    }
    static void closed(void *data, zwlr_foreign_toplevel_handle_v1 *handle)
    {
        zwlr_foreign_toplevel_handle_v1_destroy(handle);
        of(data).handle = nullptr;
    }
    static void parent(void *, zwlr_foreign_toplevel_handle_v1 *, zwlr_foreign_toplevel_handle_v1 *) { }

    static constexpr wl_registry_listener registryListener = {global, globalRemove};
    static constexpr zwlr_foreign_toplevel_manager_v1_listener managerListener = {toplevel, finished};
    static constexpr zwlr_foreign_toplevel_handle_v1_listener handleListener
        = {title, appId, outputEnter, outputLeave, state, done, closed, parent};
};

ForeignToplevels::ForeignToplevels()
    : m_display(wl_display_connect(nullptr))
{
    if (!m_display)
        return;
    m_registry = wl_display_get_registry(m_display);
    wl_registry_add_listener(m_registry, &ToplevelListeners::registryListener, this);
    wl_display_roundtrip(m_display);
    // The toplevels that exist already arrive right after the bind.
    wl_display_roundtrip(m_display);
}

ForeignToplevels::~ForeignToplevels()
{
    for (Handle &handle : m_handles) {
        if (handle.handle)
            zwlr_foreign_toplevel_handle_v1_destroy(handle.handle);
    }
    if (m_manager)
        zwlr_foreign_toplevel_manager_v1_destroy(m_manager);
    if (m_seat)
        wl_seat_destroy(m_seat);
    if (m_registry)
        wl_registry_destroy(m_registry);
    if (m_display)
        wl_display_disconnect(m_display);
}

void ForeignToplevels::noteGlobal(wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t)
{
    const std::string_view offered(interface);
    if (offered == wl_seat_interface.name && !m_seat) {
        m_seat = static_cast<wl_seat *>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (offered == zwlr_foreign_toplevel_manager_v1_interface.name && !m_manager) {
        // Version 2 is the first that can activate; later ones add fullscreen only.
        m_manager = static_cast<zwlr_foreign_toplevel_manager_v1 *>(
            wl_registry_bind(registry, name, &zwlr_foreign_toplevel_manager_v1_interface, 2));
        zwlr_foreign_toplevel_manager_v1_add_listener(m_manager, &ToplevelListeners::managerListener, this);
    }
}

std::optional<std::vector<ForeignToplevels::Toplevel>> ForeignToplevels::list()
{
    if (!m_manager || wl_display_roundtrip(m_display) < 0)
        return std::nullopt;
    m_handles.remove_if([](const Handle &handle) { return !handle.handle; });
    std::vector<Toplevel> toplevels;
    for (const Handle &handle : m_handles) {
        if (handle.described)
            toplevels.push_back(handle.shown);
    }
    return toplevels;
}

bool ForeignToplevels::activate(const QString &title)
{
    if (!list())
        return false;
    const auto found = std::find_if(m_handles.begin(), m_handles.end(),
        [&](const Handle &handle) { return handle.described && handle.shown.title == title; });
    if (found == m_handles.end() || !m_seat)
        return false;
    zwlr_foreign_toplevel_handle_v1_activate(found->handle, m_seat);
    return wl_display_roundtrip(m_display) >= 0;
}
