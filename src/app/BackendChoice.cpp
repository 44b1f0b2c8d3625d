#include "BackendChoice.h"

#include "platform/wayland/DataControlProtocol.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/x11/X11Session.h"

#include <QCoreApplication>

namespace {

// Either protocol lets other programs' copies be seen.
bool offersDataControl(const std::optional<QStringList> &globals)
{
    return globals && DataControlProtocol::preferred([&globals](const DataControlProtocol &protocol) {
        return globals->contains(QLatin1String(protocol.managerInterface()));
    });
}

QByteArray qtPlatformOption(int argc, char **argv)
{
    // As Qt reads it: "--platform" is the same option and the last one given wins.
    QByteArray value;
    for (int i = 1; i + 1 < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "-platform" || argument == "--platform")
            value = QByteArray(argv[++i]);
    }
    return value.split(':').constFirst();
}

} // namespace

SessionFacts SessionFacts::probe(int argc, char **argv)
{
    SessionFacts facts;
    facts.platformOption = qtPlatformOption(argc, argv);
    facts.waylandDisplay = qgetenv("WAYLAND_DISPLAY");
    if (!facts.waylandDisplay.isEmpty() && facts.platformOption != "xcb") {
        if (const WaylandConnection compositor(facts.waylandDisplay); compositor.isConnected())
            facts.waylandGlobals = compositor.interfaces();
    }
    // Asked only when it could matter: connecting to an X server that is not there costs nothing,
    // but XWayland may be started on demand.
    if (!offersDataControl(facts.waylandGlobals) || facts.platformOption == "xcb") {
        facts.x11Problem = x11SessionUnavailableReason(argc, argv);
    }
    facts.desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    facts.sessionType = qEnvironmentVariable("XDG_SESSION_TYPE");
    const bool waylandSession = facts.waylandGlobals || facts.sessionType == QLatin1String("wayland");
    if (waylandSession && facts.desktop.split(u':').contains(QStringLiteral("GNOME"), Qt::CaseInsensitive))
        facts.gnomeExtension = GnomeExtensionState::probe();
    return facts;
}

BackendChoice BackendChoice::choose(const SessionFacts &session)
{
    BackendChoice choice = chooseBackend(session);
    choice.gnomeExtension = session.gnomeExtension;
    if (const QString advice = choice.gnomeExtensionAdvice(); !advice.isEmpty())
        choice.notice += (choice.notice.isEmpty() ? QStringLiteral("[Quillbox] ") : QStringLiteral(" ")) + advice;
    choice.waylandSession = choice.backend == Backend::wayland || session.sessionType == QLatin1String("wayland");
    return choice;
}

BackendChoice BackendChoice::chooseBackend(const SessionFacts &session)
{
    const auto x11 = [&session]() -> BackendChoice {
        if (session.x11Problem)
            return {Backend::none, *session.x11Problem, {}};
        return {Backend::x11, {}, {}};
    };
    if (session.platformOption == "xcb")
        return x11();
    if (!session.platformOption.isEmpty() && session.platformOption != "wayland")
        return {Backend::none,
            QStringLiteral("the platform %1 is not supported").arg(QString::fromLocal8Bit(session.platformOption)), {}};
    if (!session.waylandGlobals) {
        // Without a compositor to reach, X11 is the one chance, unless Wayland was asked for.
        if (session.platformOption != "wayland" && (!session.x11Problem || session.waylandDisplay.isEmpty()))
            return x11();
        return {Backend::none,
            session.waylandDisplay.isEmpty() ? QStringLiteral("WAYLAND_DISPLAY is not set")
                                             : QStringLiteral("cannot connect to the Wayland display %1")
                                                   .arg(QString::fromLocal8Bit(session.waylandDisplay)),
            {}};
    }
    // GNOME's own clipboard, keys and windows, through the extension, wherever it serves.
    if (session.gnomeExtension == GnomeExtensionState::State::serving || offersDataControl(session.waylandGlobals))
        return {Backend::wayland, {}, {}};

    const QString desktop = session.desktop.isEmpty() ? QStringLiteral("This compositor") : session.desktop;
    if (session.platformOption != "wayland" && !session.x11Problem)
        return {Backend::x11, {},
            QStringLiteral("[Quillbox] %1 does not let other programs watch the clipboard on Wayland "
                           "(no wlroots data-control): running on XWayland, where every copy is captured, but the "
                           "hotkeys fire and automatic paste types only while an X11 window has the focus. Bind "
                           "\"quillbox --toggle\" and \"quillbox fix-layout\" to keys in the desktop's keyboard "
                           "settings; Settings > Shortcuts shows how.")
                .arg(desktop)};
    return {Backend::wayland, {},
        QStringLiteral("[Quillbox] %1 does not let other programs watch the clipboard on Wayland "
                       "(no wlroots data-control)%2: copies made in other programs are not captured; the panel "
                       "and pasting from the history work.")
            .arg(desktop, session.x11Problem ? QStringLiteral(" and XWayland is not available") : QString())};
}

QString BackendChoice::gnomeExtensionAdvice() const
{
    using State = GnomeExtensionState::State;
    const QString command = QStringLiteral("gnome-extensions enable ") + GnomeExtensionState::uuid;
    switch (gnomeExtension) {
    case State::disabled:
        return QCoreApplication::translate("BackendChoice",
            "Quillbox's GNOME Shell extension is installed but switched off. Enable it (\"%1\", or Settings > "
            "About) and restart Quillbox: GNOME Shell loads it at once, and Quillbox then works in every window.")
            .arg(command);
    case State::installedThisSession:
        return QCoreApplication::translate("BackendChoice",
            "Quillbox's GNOME Shell extension was installed during this session, so GNOME Shell loads it at your "
            "next login. Enable it (\"%1\", or Settings > About), then log out and back in, and Quillbox works in "
            "every window.")
            .arg(command);
    case State::failed:
        return QCoreApplication::translate("BackendChoice",
            "GNOME Shell could not run Quillbox's extension. Log out and back in; if it still fails, the extension "
            "does not fit this GNOME version (\"gnome-extensions info %1\" says why).")
            .arg(GnomeExtensionState::uuid);
    case State::notInstalled:
    case State::serving:
        break;
    }
    return {};
}

bool BackendChoice::canEnableGnomeExtension() const
{
    return gnomeExtension == GnomeExtensionState::State::disabled
        || gnomeExtension == GnomeExtensionState::State::installedThisSession;
}
