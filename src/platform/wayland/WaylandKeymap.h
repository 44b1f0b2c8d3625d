#pragma once

#include "WaylandConnection.h"

#include <QByteArray>

#include <cstdint>

struct wl_keyboard;
struct wl_seat;
struct xkb_context;

/// The keymap a Wayland compositor sends its keyboard clients: the session's keyboard layouts, which no
/// other interface tells. GUI thread.
///
/// A virtual keyboard (Quillbox's own, or wtype's) makes its keymap the seat's each time it types; it
/// names no layout, so it never replaces the person's.
class WaylandKeymap {
public:
    /// Listens on `connection` and waits for the first keymap.
    explicit WaylandKeymap(WaylandConnection &connection);
    ~WaylandKeymap();
    WaylandKeymap(const WaylandKeymap &) = delete;
    WaylandKeymap &operator=(const WaylandKeymap &) = delete;

    /// The newest keymap that names its layouts, in xkbcommon's text form; empty while none came.
    /// Takes the compositor's news first, so a layout added a moment ago is seen.
    QByteArray text();

private:
    friend struct KeymapListeners;
    void noteCapabilities(std::uint32_t capabilities);
    void noteKeymap(std::uint32_t format, int fd, std::uint32_t size);

    WaylandConnection &m_connection;
    WaylandConnection::Object<wl_seat> m_seat;
    wl_keyboard *m_keyboard = nullptr;
    xkb_context *m_context = nullptr;
    QByteArray m_text;
};
