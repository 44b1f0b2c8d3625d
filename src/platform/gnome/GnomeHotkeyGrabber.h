#pragma once

#include "services/HotkeyGrabber.h"

#include <QHash>
#include <QMap>
#include <QString>

class GnomeShell;

/// Global shortcuts as keybindings of GNOME Shell, through Quillbox's extension: the panel's (id 1,
/// "show-panel") and the wrong-layout fix's (id 2, "fix-layout"). Quillbox's preferences stay the
/// source of truth; every grab writes the combination to the extension's settings, and every new
/// registration with the extension writes them again. A grab under any other id binds nothing: it asks
/// whether the Shell would bind the combination, as a probe before recording one needs to know. GUI
/// thread only; nothing waits for the Shell.
class GnomeHotkeyGrabber : public HotkeyGrabber {
    Q_OBJECT
public:
    explicit GnomeHotkeyGrabber(GnomeShell &shell, QObject *parent = nullptr);

    /// The extension's name for the shortcut `id`; empty for ids it has no shortcut for.
    static QString shortcutName(std::uint32_t id);

    /// noSuchKey at once for a key the Shell cannot bind, else pending.
    GrabResult grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers) override;
    void ungrab(std::uint32_t id) override;

private:
    void bind(std::uint32_t id);
    void askAvailable(std::uint32_t id, const QString &accelerator);

    GnomeShell &m_shell;
    /// The accelerator wanted under each id, bound in the order of the ids.
    QMap<std::uint32_t, QString> m_accelerators;
    /// The newest request under each id whose answer is still to be told through grabAnswered.
    QHash<std::uint32_t, quint64> m_unanswered;
    quint64 m_nextRequest = 0;
};
