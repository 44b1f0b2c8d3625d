#pragma once

#include <QStringList>

#include <xcb/xcb.h>

#include <cstdint>

/// Who made a window, by the names CopySourceFilter compares: the process of the window's client (the
/// X Resource extension gives its PID) and the WM_CLASS of the window and of the client's top-level
/// windows. The clipboard's owner is often an unmapped helper window with no class and no PID (Qt's
/// "Qt Selection Owner"), but it shares its client's resource-id base with the program's real windows.
class X11ClientNames {
public:
    /// `idMask` is the server's resource-id mask (every client's is the same). Blocks on the server:
    /// for a thread with a connection of its own.
    static QStringList of(xcb_connection_t *connection, xcb_window_t window, std::uint32_t idMask);

private:
    static QStringList windowClass(xcb_connection_t *connection, xcb_window_t window);
    static qint64 clientPid(xcb_connection_t *connection, xcb_window_t window);
    static QList<xcb_window_t> clientWindows(xcb_connection_t *connection, xcb_window_t window, std::uint32_t idMask);
};
