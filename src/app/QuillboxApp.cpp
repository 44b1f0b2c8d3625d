#include "QuillboxApp.h"

#include "AppDelegate.h"
#include "BackendChoice.h"
#include "CommandInterface.h"
#include "CommandLine.h"
#include "CommandRunner.h"
#include "PlatformBackend.h"
#include "SingleInstance.h"
#include "Translations.h"
#include "capture/PasteboardWriter.h"
#include "model/ClipboardItem.h"
#include "model/ModelContainer.h"
#include "model/Preferences.h"
#include "platform/x11/X11Session.h"
#include "services/HotkeyBindingInstructions.h"
#include "services/KeyCombo.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QIcon>
#include <QLocale>
#include <QLockFile>
#include <QLoggingCategory>
#include <QQmlEngineExtensionPlugin>
#include <QQuickStyle>
#include <QQuickWindow>
#include <QSocketNotifier>
#include <QSqlDatabase>
#include <QThread>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <future>
#include <malloc.h>
#include <optional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

// The views' QML module, linked in statically.
Q_IMPORT_QML_PLUGIN(QuillboxPlugin)

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

// Where the compositor owns the global keys, the person binds them; said once per start.
void printBindingInstructions()
{
    const QString text = HotkeyBindingInstructions::textForSession(
        KeyCombo::fromStored(Preferences(Preferences::defaultPath()).hotkeyCombo()),
        QCoreApplication::applicationFilePath());
    std::printf("[Quillbox] %s\n", qPrintable(text));
    std::fflush(stdout);
}

// Two monitors must never write one store, also across sessions that share a home folder. False
// when a live process holds the lock; a folder that cannot be made is the store's failure to report.
bool lockStore(QLockFile &lock)
{
    lock.setStaleLockTime(0);
    // The folder and the lock (which names this host and boot) are the user's alone, whatever the
    // umask: QLockFile creates its file 0666 less the umask.
    const mode_t umaskBefore = ::umask(0077);
    QDir().mkpath(QFileInfo(lock.fileName()).absolutePath());
    const bool locked = lock.tryLock(0);
    ::umask(umaskBefore);
    return locked || lock.error() != QLockFile::LockFailedError;
}

// Read (and set up, which only the store's one writer may do) while Qt, the platform's services and
// the windows are made.
std::future<ModelContainer::Contents> readStore(const QString &path)
{
    return std::async(std::launch::async, [path] { return ModelContainer::read(path); });
}

// The first start's life, once it holds the name: until SIGINT, SIGTERM or quit. The store is locked
// and being read already when the start took it before Qt.
int run(QApplication &app, CommandInterface &commands, const BackendChoice &backend, const QElapsedTimer &sinceStart,
    const QString &storePath, QLockFile &storeLock, std::future<ModelContainer::Contents> storeContents)
{
    if (!storeContents.valid()) {
        if (!lockStore(storeLock)) {
            std::fprintf(stderr, "Quillbox is already running for %s\n", qPrintable(storePath));
            return 0;
        }
        storeContents = readStore(storePath);
    }
    quitOnTerminationSignals(app);
    // Image pastes leave files behind for the program pasted into; the previous run's are read by now.
    PasteboardWriter::removeStaleTemporaryPngs();

    QQuickStyle::setStyle(QStringLiteral("Basic"));
    // The panel is small and mostly text: the software renderer draws its first frame in a few tens
    // of milliseconds and keeps no GPU context resident, where a GL start costs hundreds of
    // milliseconds on machines without a GPU. QT_QUICK_BACKEND still chooses otherwise.
    if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND"))
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    const PlatformBackend platform(backend);
    if (platform.services().desktopBindsHotkeys)
        printBindingInstructions();
    // After the lines scripts read on stdout, which stay English, and before the first QML engine,
    // which takes the translators installed when it is made.
    Translations::install(app, QLocale::system().uiLanguages());
    qCDebug(lcApp) << "platform services ready after" << sinceStart.elapsed() << "ms";
    AppDelegate delegate(platform.pasteboard(), platform.workspace(), platform.services());
    commands.attach(delegate, platform.pasteboard());
    // In this order: calls are refused from now on and the texts accepted go to capture, whose end
    // stores them before the last save.
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &commands, &CommandInterface::beginQuitting);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &delegate, &AppDelegate::applicationWillTerminate);
    QObject::connect(&delegate, &AppDelegate::captureStarted, &app,
        [&sinceStart] { qCDebug(lcApp) << "capture ready after" << sinceStart.elapsed() << "ms"; });
    QObject::connect(&delegate, &AppDelegate::panelShown, &app,
        [](qint64 ms) { qCDebug(lcApp) << "panel frame drawn" << ms << "ms after the show"; });
    delegate.applicationDidFinishLaunching(std::move(storeContents));
    qCDebug(lcApp) << "launched after" << sinceStart.elapsed() << "ms";
    // What launch built only for itself (the store's rows as SQLite and Qt read them, the panel's
    // first lists) is freed by the first turn of the event loop, in pages that would otherwise stay
    // with the process for as long as it runs.
    QTimer::singleShot(0, &app, [] { malloc_trim(0); });

    return QApplication::exec();
}

} // namespace

int QuillboxApp::main(int argc, char **argv)
{
    QElapsedTimer sinceStart;
    sinceStart.start();

    const QStringList arguments = CommandLine::arguments(argc, argv);
    CommandLine::Invocation invocation = CommandLine::parse(arguments);
    // An option the parser does not know may be one of Qt's (-display, -platform, -style, ...): Qt
    // takes its own out of argv when it builds its application, which ones depending on the
    // platform, and the arguments it leaves are read again then. Until then a Qt option's value
    // cannot be told from a command.
    const bool qtDecides = invocation.unknownOption;
    int qtArgc = CommandLine::qtArgumentCount(argc, argv);
    if (!qtDecides) {
        if (const auto exitCode = CommandRunner::run(invocation, argc, argv))
            return *exitCode;
    }

    const SessionFacts session = SessionFacts::probe(argc, argv);
    const BackendChoice backend = BackendChoice::choose(session);
    if (backend.backend == BackendChoice::Backend::none) {
        // A platform that needs no session (-platform offscreen) still takes Qt's options before a
        // command; where no platform can start, Qt takes none and the parser's verdict stands.
        std::optional<QApplication> qt;
        if (qtDecides && !session.platformOption.isEmpty() && session.platformOption != "xcb"
            && session.platformOption != "wayland") {
            qt.emplace(qtArgc, argv);
            invocation = CommandLine::parseWithoutQtOptions(arguments, qtArgc, argv);
        }
        // Without a command the program was to start, and an option Qt was to take (-display of an
        // X server that is gone) must not hide why it cannot.
        const bool startsProgram = qtDecides && !qt && !CommandLine::namesCommand(arguments);
        if (const auto exitCode = startsProgram ? std::nullopt : CommandRunner::run(invocation, argc, argv))
            return *exitCode;
        std::fprintf(stderr, "Quillbox needs an X11 session or a Wayland session: %s\n", qPrintable(backend.problem));
        return 1;
    }
    if (!backend.notice.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(backend.notice));
    if (backend.backend == BackendChoice::Backend::wayland) {
        qputenv("QT_QPA_PLATFORM", "wayland");
    } else {
        // The clipboard, hotkey and window code speaks X11, also under XWayland.
        qputenv("QT_QPA_PLATFORM", "xcb");
        // The clipboard reader's own connection and the programs started for paste scripts reach the
        // display Qt opens, also one named with -display.
        qputenv("DISPLAY", x11DisplayName(argc, argv));
    }

    // The program's start takes the store and reads it while Qt starts, on the core Qt leaves idle.
    // A toggle, a command and a second start leave it to the process that holds it.
    const QString storePath = ModelContainer::defaultPath();
    QLockFile storeLock(storePath + QStringLiteral(".lock"));
    std::future<ModelContainer::Contents> storeContents;
    if (!qtDecides && invocation.command == CommandLine::Command::none && lockStore(storeLock)) {
        // Qt takes the first thread it sees for its main thread, and resets its plugin folders as it
        // makes the application: this thread is seen first, and finds the store's driver before.
        QThread::currentThread();
        QSqlDatabase::drivers();
        storeContents = readStore(storePath);
    }
    // The reader uses Qt until it is done: Qt is not taken down under it.
    const auto leave = [&storeContents](int exitCode) {
        if (storeContents.valid())
            storeContents.wait();
        return exitCode;
    };

    QApplication app(qtArgc, argv);
    if (qtDecides) {
        invocation = CommandLine::parseWithoutQtOptions(arguments, qtArgc, argv);
        if (const auto exitCode = CommandRunner::run(invocation, argc, argv))
            return *exitCode;
    }
    QApplication::setApplicationName(QStringLiteral("Quillbox"));
    QApplication::setDesktopFileName(QStringLiteral("io.quillbox.Quillbox"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/quillbox.svg")));
    // Closing the onboarding window must not end the program: it lives in the tray.
    QApplication::setQuitOnLastWindowClosed(false);
    qCDebug(lcApp) << "application created after" << sinceStart.elapsed() << "ms";

    // A second start (also "quillbox --toggle") toggles the running instance's panel and leaves.
    CommandInterface commands;
    SingleInstance instance(commands);
    SingleInstance::Role role = instance.claim(invocation.command == CommandLine::Command::toggle);
    // Two starts at once: this one took the store, the other the name. The other finds the store
    // taken and leaves without answering; this one serves then.
    if (role == SingleInstance::Role::unanswered && storeLock.isLocked())
        role = instance.claim(false);
    switch (role) {
    case SingleInstance::Role::secondary:
        return leave(0);
    case SingleInstance::Role::unanswered:
        std::fprintf(stderr, "Quillbox is already running but does not answer\n");
        return leave(1);
    case SingleInstance::Role::primary:
    case SingleInstance::Role::noBus:
        break;
    }
    QObject::connect(&instance, &SingleInstance::lost, &app, &QCoreApplication::quit);
    const int status = run(app, commands, backend, sinceStart, storePath, storeLock, std::move(storeContents));
    // The name is held until everything is saved and gone: a call that comes meanwhile is answered
    // that Quillbox is quitting, not lost with an object that no longer exists.
    instance.release();
    return status;
}
