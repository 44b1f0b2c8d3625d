#pragma once

#include "capture/Workspace.h"
#include "platform/DesktopEntryIndex.h"

#include <QObject>

#include <list>
#include <memory>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;
class QSocketNotifier;

/// The focused window's application through the wlroots foreign-toplevel protocol, on a Wayland
/// connection of its own. GUI thread only. Without the protocol (GNOME, KDE) no application is
/// known and activate() does nothing: the compositor focuses what it chooses.
class WaylandWorkspace : public QObject, public Workspace {
    Q_OBJECT
public:
    explicit WaylandWorkspace(const QByteArray &displayName = {}, QObject *parent = nullptr);
    ~WaylandWorkspace() override;

    /// The compositor lists its toplevels.
    bool isAvailable() const { return m_manager != nullptr; }

    std::optional<RunningApplication> frontmostApplication() const override;
    void activate(const RunningApplication &application) override;

private:
    friend struct ToplevelListeners;
    struct Toplevel {
        WaylandWorkspace *workspace = nullptr;
        zwlr_foreign_toplevel_handle_v1 *handle = nullptr;
        quint32 id = 0;
        QString appId;
        bool activated = false;
        // Sent piecemeal; applied at "done".
        QString pendingAppId;
        bool pendingActivated = false;
    };
    void noteGlobal(wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version);
    void noteToplevel(zwlr_foreign_toplevel_handle_v1 *handle);
    void noteClosed(Toplevel *toplevel);
    void readEvents();
    void dispatch() const;

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    zwlr_foreign_toplevel_manager_v1 *m_manager = nullptr;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::list<std::unique_ptr<Toplevel>> m_toplevels;
    quint32 m_nextId = 1;
    DesktopEntryIndex m_desktopEntries;
};
