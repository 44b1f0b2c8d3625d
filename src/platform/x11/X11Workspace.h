#pragma once

#include "capture/Workspace.h"
#include "platform/DesktopEntryIndex.h"

#include <cstdint>

struct xcb_connection_t;

/// The active window's application, read from the X server through Qt's connection. Construct
/// after QGuiApplication; use on the GUI thread.
///
/// Only the X server is asked, never the window's own client, so a hung application cannot stall
/// the caller. The desktop entries are indexed off the GUI thread from construction on.
class X11Workspace : public Workspace {
public:
    X11Workspace();

    std::optional<RunningApplication> frontmostApplication() const override;
    void activate(const RunningApplication &application) override;
    QList<RunningApplication> runningApplications() const override;

private:
    std::optional<RunningApplication> applicationOf(std::uint32_t window) const;
    std::uint32_t activeWindow() const;
    std::uint32_t focusedClientWindow() const;
    bool hasWindowClass(std::uint32_t window) const;
    bool hasWindowManager() const;

    xcb_connection_t *m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint32_t m_activeWindowAtom = 0;
    std::uint32_t m_pidAtom = 0;
    DesktopEntryIndex m_desktopEntries;
};
