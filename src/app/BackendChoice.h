#pragma once

#include "platform/gnome/GnomeExtensionState.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

/// What the session offers, as far as choosing the display server goes.
struct SessionFacts {
    QByteArray platformOption; ///< Qt's -platform option without its ":options"; empty when not given
    QByteArray waylandDisplay; ///< WAYLAND_DISPLAY
    std::optional<QStringList> waylandGlobals; ///< the compositor's globals; nothing when unreachable
    std::optional<QString> x11Problem; ///< why X11 (or XWayland) cannot be used; nothing when it can
    QString desktop; ///< XDG_CURRENT_DESKTOP, e.g. "sway", "KDE", "GNOME"
    QString sessionType; ///< XDG_SESSION_TYPE, e.g. "x11", "wayland"
    /// Quillbox's GNOME Shell extension; asked for only on GNOME under Wayland.
    GnomeExtensionState::State gnomeExtension = GnomeExtensionState::State::notInstalled;

    /// The facts of the running session and of the command line.
    static SessionFacts probe(int argc, char **argv);
};

/// The display server the program runs on, chosen once at start-up: a Wayland session whose
/// compositor offers data-control, or GNOME's with Quillbox's Shell extension serving, runs natively;
/// one without either runs on XWayland when it can, since only there are other programs' copies seen. Whatever depends
/// on the session asks this choice, never the environment or Qt's platform name again.
struct BackendChoice {
    enum class Backend { none, x11, wayland };

    Backend backend = Backend::none;
    QString problem; ///< why the program cannot run, when backend is none
    QString notice; ///< what works and what does not in this session, said once at start-up
    /// The desktop is a Wayland session, whichever backend serves it: on XWayland the global keys
    /// and synthetic keys reach X11 windows only.
    bool waylandSession = false;
    GnomeExtensionState::State gnomeExtension = GnomeExtensionState::State::notInstalled;

    bool isWayland() const { return backend == Backend::wayland; }
    /// The clipboard, the keys and the windows go through Quillbox's GNOME Shell extension.
    bool throughGnomeShell() const { return isWayland() && gnomeExtension == GnomeExtensionState::State::serving; }
    /// What to do so that the extension serves Quillbox; empty when it does, or is not installed.
    QString gnomeExtensionAdvice() const;
    /// Enabling the extension is what it takes (it is installed and switched off).
    bool canEnableGnomeExtension() const;

    static BackendChoice choose(const SessionFacts &session);

private:
    static BackendChoice chooseBackend(const SessionFacts &session);
};
