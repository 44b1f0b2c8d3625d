#pragma once

#include <QString>

#include <optional>

/// An application with a window on the desktop, as the history records it.
struct RunningApplication {
    std::optional<QString> localizedName; ///< desktop-entry Name=, else the window class
    std::optional<QString> bundleIdentifier; ///< desktop-entry id without ".desktop", else the window class
    qint64 processIdentifier = -1; ///< _NET_WM_PID, or -1
    quint32 windowId = 0; ///< the X window that was active
    QString windowClass = {}; ///< the class part of its WM_CLASS ("XTerm"), else the instance part
};
