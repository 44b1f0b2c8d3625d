#include "BackendChoice.h"

#include "platform/wayland/DataControlProtocol.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/x11/X11Session.h"

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
    return facts;
}

BackendChoice BackendChoice::choose(const SessionFacts &session)
{
    BackendChoice choice = chooseBackend(session);
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
    if (offersDataControl(session.waylandGlobals))
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
