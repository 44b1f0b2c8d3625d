#pragma once

#include "RunningApplication.h"

#include <optional>

/// The desktop's view of running applications.
class Workspace {
public:
    virtual ~Workspace() = default;

    /// The application whose window is active, if any.
    virtual std::optional<RunningApplication> frontmostApplication() const = 0;
    /// Asks for the application's remembered window to become the active one; returns at once.
    virtual void activate(const RunningApplication &application) = 0;
    /// Asks for this program's panel, shown and drawn just now, to become the active window, where
    /// the desktop would otherwise keep it behind (focus-stealing prevention). Elsewhere the panel's
    /// own activation request is enough, and this does nothing.
    virtual void activatePanel() {}
};
