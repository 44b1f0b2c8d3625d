#pragma once

#include "RunningApplication.h"

#include <QList>

#include <functional>
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
    virtual void activatePanel() { }
    /// The applications with a window, where the desktop lists them; none elsewhere.
    virtual QList<RunningApplication> runningApplications() const { return {}; }

    /// `observer` runs on the GUI thread, outside the desktop's callbacks, whenever the application in
    /// front may have changed, where the desktop reports that as it happens (wlroots, KWin).
    void setFrontmostObserver(std::function<void()> observer) { m_frontmostObserver = std::move(observer); }

protected:
    void notifyFrontmostChanged() const
    {
        if (m_frontmostObserver)
            m_frontmostObserver();
    }

private:
    std::function<void()> m_frontmostObserver;
};
