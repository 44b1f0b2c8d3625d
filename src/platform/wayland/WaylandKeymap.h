#pragma once

#include <QByteArray>

#include <cstdint>

struct wl_display;
struct wl_keyboard;
struct wl_registry;
struct wl_seat;
struct xkb_context;

/// The keymap a Wayland compositor sends its keyboard clients, on a connection of its own: the
/// session's keyboard layouts, which no other interface tells. GUI thread.
///
/// Programs that type through the virtual-keyboard protocol (wtype) make their own keymap the seat's
/// while they run; it names no layout, so it never replaces the keyboard's.
class WaylandKeymap {
public:
    /// Connects to `displayName` ($WAYLAND_DISPLAY when empty) and waits for the first keymap.
    explicit WaylandKeymap(const QByteArray &displayName = {});
    ~WaylandKeymap();
    WaylandKeymap(const WaylandKeymap &) = delete;
    WaylandKeymap &operator=(const WaylandKeymap &) = delete;

    /// The newest keymap that names its layouts, in xkbcommon's text form; empty while none came.
    /// Takes the compositor's news first, so a layout added a moment ago is seen.
    QByteArray text();

private:
    friend struct KeymapListeners;
    void noteGlobal(wl_registry *registry, std::uint32_t name, const char *interface);
    void noteCapabilities(std::uint32_t capabilities);
    void noteKeymap(std::uint32_t format, int fd, std::uint32_t size);

    wl_display *m_display = nullptr;
    wl_registry *m_registry = nullptr;
    wl_seat *m_seat = nullptr;
    wl_keyboard *m_keyboard = nullptr;
    xkb_context *m_context = nullptr;
    QByteArray m_text;
};
