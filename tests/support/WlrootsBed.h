#pragma once

#include "ForeignToplevels.h"
#include "TestKeyboard.h"
#include "WaylandBed.h"

/// What wlroots compositors (sway, labwc) share: windows as a task bar sees them (foreign-toplevel
/// management), and a keyboard of the tests' own through the virtual-keyboard protocol, whose keymap
/// is the one programs are sent once it has typed. Under scripts/waysession --no-keyboard
/// (QUILLBOX_BED_NO_KEYBOARD) that keyboard is in the seat only while it presses keys, so the seat has
/// none otherwise; setLayouts then fails, as no keymap outlives a press.
class WlrootsBed : public WaylandBed {
public:
    WlrootsBed();

    QList<Window> windows() override;
    bool focusWindow(const QString &title) override;
    /// The test keyboard takes the layouts, as a person's keyboard does when the desktop's settings
    /// change; the compositor's own settings are the subclass's part.
    bool setLayouts(const QStringList &layouts) override;
    bool press(const QString &chord) override;

private:
    ForeignToplevels m_toplevels;
    TestKeyboard m_keyboard;
};
