#pragma once

#include "KeyCombo.h"

#include <QList>
#include <QString>
#include <QStringList>

/// How to bind the program's actions to keys on desktops where the compositor, not the program,
/// owns global keys: sway reads bindings from its configuration, GNOME runs custom shortcuts from
/// its settings. Pure text and commands; nothing is run here.
class HotkeyBindingInstructions {
public:
    enum class Desktop { sway, gnome, kde, other };

    /// One action: the program started with `arguments` when `combo` is pressed.
    struct Binding {
        QString name; ///< what the shortcut is called in the desktop's settings
        KeyCombo combo;
        QStringList arguments;
    };
    /// A program and its arguments, to run without a shell.
    struct Command {
        QString program;
        QStringList arguments;
        friend bool operator==(const Command &, const Command &) = default;
    };

    /// The actions the person binds: the panel's toggle, on `panelCombo`, and the wrong-layout fix.
    static QList<Binding> programBindings(const KeyCombo &panelCombo);

    /// The desktop of this session, from $XDG_CURRENT_DESKTOP.
    static Desktop sessionDesktop();

    /// The desktop named by XDG_CURRENT_DESKTOP (a colon-separated list, e.g. "ubuntu:GNOME").
    static Desktop desktopOf(const QString &currentDesktop);

    /// Lines for sway's configuration: a binding per action, by key position so it works in every
    /// layout, and a rule that floats the panel centred over the output.
    static QStringList swayConfig(const QList<Binding> &bindings, const QString &program);

    /// `combo` as GNOME's keybindings spell it ("<Super><Shift>v"), for keys keysText() names.
    static QString gnomeAccelerator(const KeyCombo &combo);

    /// The gsettings command that prints the custom shortcuts' list, for gnomeCommands().
    static Command gnomeReadCommand();

    /// The gsettings commands that add each action as a GNOME custom shortcut. `existingPaths` is the
    /// current value of the custom-keybindings key as `gsettings get` prints it; the shortcuts already
    /// there are kept, and ours replace their own earlier entries.
    static QList<Command> gnomeCommands(
        const QList<Binding> &bindings, const QString &program, const QString &existingPaths);

    /// What to tell the person on `desktop` about binding the actions to keys.
    static QString text(Desktop desktop, const QList<Binding> &bindings, const QString &program);
    /// text() for this session's desktop and the program's own actions, the panel's on `panelCombo`.
    static QString textForSession(const KeyCombo &panelCombo, const QString &program);
};
