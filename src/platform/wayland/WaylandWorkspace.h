#pragma once

#include "WaylandConnection.h"
#include "capture/Workspace.h"
#include "platform/DesktopEntryIndex.h"

#include <QObject>

#include <list>
#include <memory>

struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

/// The focused window's application through the wlroots foreign-toplevel protocol. GUI thread only;
/// the connection dispatches the compositor's news as it arrives. Without the protocol (GNOME, KDE) no application is
/// known and activate() does nothing: the compositor focuses what it chooses.
class WaylandWorkspace : public QObject, public Workspace {
    Q_OBJECT
public:
    explicit WaylandWorkspace(WaylandConnection &connection, QObject *parent = nullptr);
    ~WaylandWorkspace() override;

    /// The compositor lists its toplevels.
    bool isAvailable() const { return m_manager != nullptr; }

    std::optional<RunningApplication> frontmostApplication() const override;
    void activate(const RunningApplication &application) override;
    QList<RunningApplication> runningApplications() const override;

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
    void noteToplevel(zwlr_foreign_toplevel_handle_v1 *handle);
    void noteClosed(Toplevel *toplevel);
    void noteFrontmostChanged();
    void dispatch() const;

    WaylandConnection &m_connection;
    WaylandConnection::Object<wl_seat> m_seat;
    WaylandConnection::Object<zwlr_foreign_toplevel_manager_v1> m_manager;
    std::list<std::unique_ptr<Toplevel>> m_toplevels;
    quint32 m_nextId = 1;
    DesktopEntryIndex m_desktopEntries;
};
