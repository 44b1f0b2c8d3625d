#include "QuillboxApp.h"

#include "AppDelegate.h"
#include "capture/X11Pasteboard.h"
#include "platform/JournalSystemLog.h"
#include "platform/X11HotkeyGrabber.h"
#include "platform/X11KeySynthesizer.h"
#include "platform/X11Session.h"
#include "platform/X11Workspace.h"
#include "platform/XdotoolScriptRunner.h"
#include "platform/XkbKeyboardLayouts.h"
#include "services/PasteService.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

Q_LOGGING_CATEGORY(lcApp, "quillbox.app", QtInfoMsg)

namespace {

int signalSockets[2] = {-1, -1};

void forwardSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(signalSockets[0], &byte, 1);
}

// SIGINT and SIGTERM end the event loop, so the normal shutdown (timer stopped, changes saved) runs.
void quitOnTerminationSignals(QCoreApplication &app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalSockets) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalSockets[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

int QuillboxApp::main(int argc, char **argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();

    if (const auto reason = x11SessionUnavailableReason()) {
        std::fprintf(stderr, "Quillbox needs an X11 session: %s\n", qPrintable(*reason));
        return 1;
    }
    // The clipboard, hotkey and window code speaks X11, also under XWayland.
    qputenv("QT_QPA_PLATFORM", "xcb");

    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Quillbox"));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.quillbox.Quillbox"));
    quitOnTerminationSignals(app);
    qCDebug(lcApp) << "application created after" << sinceStart.elapsed() << "ms";

    X11Pasteboard pasteboard;
    X11Workspace workspace;
    qCDebug(lcApp) << "clipboard reader started after" << sinceStart.elapsed() << "ms";
    X11HotkeyGrabber hotkeyGrabber;
    X11KeySynthesizer keySynthesizer;
    const XkbKeyboardLayouts keyboardLayouts;
    JournalSystemLog systemLog;
    XdotoolScriptRunner scriptRunner;
    PasteService pasteService(keySynthesizer, systemLog, scriptRunner);
    qCDebug(lcApp) << "platform services ready after" << sinceStart.elapsed() << "ms";
    AppDelegate delegate(pasteboard, workspace,
        PlatformServices{&hotkeyGrabber, &keySynthesizer, &keyboardLayouts, &systemLog, &pasteService});
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    QObject::connect(&delegate, &AppDelegate::captureStarted, &app,
        [&sinceStart] { qCDebug(lcApp) << "capture ready after" << sinceStart.elapsed() << "ms"; });
    delegate.applicationDidFinishLaunching();
    qCDebug(lcApp) << "launched after" << sinceStart.elapsed() << "ms";

    return QGuiApplication::exec();
}
