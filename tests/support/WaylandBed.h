#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

/// The compositor a Wayland test runs in: scripts/waysession --compositor NAME starts it and names it in
/// QUILLBOX_BED. Tests do through a bed what a person does (look at the windows, focus one, switch
/// keyboard layouts, press keys) and never call a compositor's own tool, so one test runs unchanged on
/// every bed. Each compositor has its own implementation (SwayBed, KWinBed, GnomeBed, LabwcBed).
class WaylandBed {
public:
    struct Window {
        QString appId;
        QString title;
        bool focused = false;
        /// Where the compositor placed it, in the output's coordinates; empty when it does not say.
        QRect geometry;
    };

    virtual ~WaylandBed() = default;

    /// The bed QUILLBOX_BED names; sway when it is unset. Aborts the test on a name no bed has.
    static WaylandBed &current();

    virtual QString name() const = 0;

    /// The mapped toplevel windows.
    virtual QList<Window> windows() = 0;
    /// Gives the keyboard focus to the window titled `title`, as a click on it would, and waits until
    /// the compositor says it has it.
    virtual bool focusWindow(const QString &title) = 0;
    /// Sets the seat's keyboard layouts (xkb names such as "us" or "de(nodeadkeys)", the first one
    /// active) as the desktop's own keyboard settings would, and waits until programs are sent them.
    virtual bool setLayouts(const QStringList &layouts) = 0;
    /// Presses `chord` ("ctrl+v", "Return", "super+shift+l") as a person does: the modifiers down, the
    /// key held about 100 ms, the modifiers released after it. Keys are named by their label on a US
    /// keyboard, whatever the layout.
    virtual bool press(const QString &chord) = 0;

    /// What a client that connects now is offered: "global INTERFACE VERSION" lines, the seat's
    /// capabilities and the layouts of the keymap it is sent (tests/support/wl-globals).
    QString clientView() const;
    /// The interfaces the compositor offers clients (wl_registry), by name.
    QStringList globals() const;
    /// Whether the seat has a keyboard (wl_seat's capabilities) at this moment.
    bool seatHasKeyboard() const;
    /// The names of the layouts in the keymap the compositor sends programs ("English (US)").
    QStringList keymapLayouts() const;

    std::optional<Window> focusedWindow();
    QString focusedAppId();
    bool hasWindow(const QString &appId);
    /// Waits until the window of `appId` has the keyboard focus.
    bool waitForFocus(const QString &appId, int timeoutMs = 5000);
    std::optional<Window> window(const QString &appId);

protected:
    /// Layouts as xkb's rules take them: "us,de" and ",nodeadkeys" for {"us", "de(nodeadkeys)"}.
    struct XkbNames {
        QString layouts;
        QString variants;
    };
    static XkbNames xkbNames(const QStringList &layouts);
    /// Writes `text` to the compositor's settings file `name` in the bed's configuration folder
    /// (QUILLBOX_BED_CONFIG), readable by the compositor's user.
    static bool writeSettings(const QString &name, const QByteArray &text);
    /// Waits until programs are sent a keymap with exactly `layouts`.
    bool waitForKeymap(const QStringList &layouts) const;
    /// Waits until the window titled `title` has the keyboard focus.
    bool waitForFocusedTitle(const QString &title);
};
