#pragma once

#include <QString>

#include <list>
#include <optional>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_seat;
struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

/// The compositor's toplevel windows as a task bar sees them (wlroots foreign-toplevel management, which
/// sway and labwc offer), on a Wayland connection of the tests' own.
class ForeignToplevels {
public:
    struct Toplevel {
        QString appId;
        QString title;
        bool activated = false;
    };

    ForeignToplevels();
    ~ForeignToplevels();
    ForeignToplevels(const ForeignToplevels &) = delete;
    ForeignToplevels &operator=(const ForeignToplevels &) = delete;

    /// The compositor offers the protocol.
    bool isAvailable() const { return m_manager != nullptr; }
    /// The toplevels as the compositor last said they are; nothing when the connection broke.
    std::optional<std::vector<Toplevel>> list();
    /// Asks the compositor to activate (focus) the first toplevel titled `title`; false when none is.
    bool activate(const QString &title);

private:
    friend struct ToplevelListeners;
    struct Handle {
        zwlr_foreign_toplevel_handle_v1 *handle = nullptr;
        Toplevel shown;
        // Sent piecemeal; applied at "done".
        Toplevel pending;
        bool described = false;
    };
    void noteGlobal(wl_registry *registry, std::uint32_t name, const char *interface, std::uint32_t version);

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    zwlr_foreign_toplevel_manager_v1 *m_manager = nullptr;
    std::list<Handle> m_handles;
};
