#pragma once

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

    /// The facts of the running session and of the command line.
    static SessionFacts probe(int argc, char **argv);
};

/// The display server the program runs on, chosen once at start-up: a Wayland session whose
/// compositor offers data-control runs natively; one without it runs on XWayland when it can,
/// since only there are other programs' copies seen.
struct BackendChoice {
    enum class Backend { none, x11, wayland };

    Backend backend = Backend::none;
    QString problem; ///< why the program cannot run, when backend is none
    QString notice; ///< what works and what does not in this session, said once at start-up

    static BackendChoice choose(const SessionFacts &session);
};
