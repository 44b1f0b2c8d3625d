#include "WlrootsBed.h"

WlrootsBed::WlrootsBed()
    : m_keyboard(qEnvironmentVariableIsSet("QUILLBOX_BED_NO_KEYBOARD")
              ? TestKeyboard::Road::VirtualKeyboardWhilePressing
              : TestKeyboard::Road::VirtualKeyboard)
{
    if (!m_toplevels.isAvailable())
        qWarning("The compositor lists no windows (no wlr foreign-toplevel management)");
}

QList<WaylandBed::Window> WlrootsBed::windows()
{
    QList<Window> all;
    for (const ForeignToplevels::Toplevel &toplevel :
        m_toplevels.list().value_or(std::vector<ForeignToplevels::Toplevel>{}))
        all.append(Window{toplevel.appId, toplevel.title, toplevel.activated, {}});
    return all;
}

bool WlrootsBed::focusWindow(const QString &title)
{
    return m_toplevels.activate(title) && waitForFocusedTitle(title);
}

bool WlrootsBed::setLayouts(const QStringList &layouts)
{
    // A keyboard that has not typed yet is not the one whose keymap the seat sends: a Shift tap makes it
    // so, as the first key a person types after plugging in a keyboard would.
    return m_keyboard.setLayouts(layouts) && m_keyboard.press("shift") && waitForKeymap(layouts);
}

bool WlrootsBed::press(const QString &chord)
{
    return m_keyboard.press(chord);
}
