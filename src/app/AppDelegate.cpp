#include "AppDelegate.h"

#include "FloatingPanel.h"
#include "StatusItem.h"
#include "capture/ClipboardMonitor.h"
#include "capture/Pasteboard.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "platform/DesktopColorScheme.h"
#include "platform/DesktopNotifier.h"
#include "platform/KeySynthesizer.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"
#include "services/ConsoleLog.h"
#include "services/HotkeyService.h"
#include "services/KeyCombo.h"
#include "services/LanguageSwitchService.h"
#include "services/NotificationCenter.h"
#include "services/PasteService.h"
#include "ui/IconImageProvider.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/StoreProblemView.h"
#include "ui/panel/ThumbnailImageProvider.h"
#include "ui/settings/OnboardingView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QProcess>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QStandardPaths>

#include <cstdio>

Q_LOGGING_CATEGORY(lcDelegate, "quillbox.delegate", QtInfoMsg)

namespace {

constexpr std::uint32_t panelHotkeyId = 1;
constexpr int firstWindowDelayMs = 500;
constexpr int pasteDelayMs = 150;
const QString panelWillShow = QStringLiteral("Quillbox.panelWillShow");
const QString openSettingsName = QStringLiteral("Quillbox.openSettings");
const QString reloadHotkeyName = QStringLiteral("Quillbox.reloadHotkey");
const QString clearAllHistoryName = QStringLiteral("Quillbox.clearAllHistory");

// The desktop's keyboard settings, where one of the common settings programs is installed.
std::function<void()> keyboardSettingsOpener()
{
    const std::pair<QString, QStringList> programs[] = {
        {QStringLiteral("gnome-control-center"), {QStringLiteral("keyboard")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_keyboard")}},
        {QStringLiteral("xfce4-keyboard-settings"), {}},
    };
    for (const auto &[program, arguments] : programs) {
        const QString path = QStandardPaths::findExecutable(program);
        if (!path.isEmpty())
            return [path, arguments] { QProcess::startDetached(path, arguments); };
    }
    return {};
}

bool isGuiApplication()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

QString appName(const std::optional<RunningApplication> &app)
{
    return app && app->localizedName ? *app->localizedName : QStringLiteral("nil");
}

} // namespace

AppDelegate::AppDelegate(Pasteboard &pasteboard, Workspace &workspace, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_preferences(Preferences::defaultPath())
    , m_terminals(m_preferences.terminalPasteChords())
{
}

AppDelegate::AppDelegate(
    Pasteboard &pasteboard, Workspace &workspace, const PlatformServices &services, QObject *parent)
    : AppDelegate(pasteboard, workspace, parent)
{
    m_services = services;
}

AppDelegate::~AppDelegate() = default;

Clock &AppDelegate::clock() const
{
    return m_services.clock ? *m_services.clock : Clock::system();
}

void AppDelegate::applicationDidFinishLaunching()
{
    reportUnusablePreferences();
    m_preferences.setKeyboardUIMode(2);
    setupModelContainer();
    setupStatusItem();
    setupPanel();
    startClipboardMonitoring();
    setupHotkey();
    setupLanguageFix();
    requestAccessibilityIfNeeded();

    const bool hasSeenOnboarding = m_preferences.hasSeenOnboarding();
    if (m_panel) {
        clock().schedule(firstWindowDelayMs, this, [this, hasSeenOnboarding] {
            if (hasSeenOnboarding)
                showPanel();
            else
                showOnboarding();
        });
    }
    observeNotifications();
}

void AppDelegate::reportUnusablePreferences()
{
    if (m_preferences.problem().isEmpty())
        return;
    const QString line = QStringLiteral("[Quillbox] Preferences in %1 cannot be used: %2. Running with the defaults; "
                                        "changes are not saved and the file is left as it is.")
                             .arg(m_preferences.path(), m_preferences.problem());
    std::fprintf(stderr, "%s\n", qPrintable(line));
    if (m_services.systemLog)
        m_services.systemLog->info(QStringLiteral("Preferences"), line);
}

void AppDelegate::applicationWillTerminate()
{
    if (m_clipboardMonitor)
        m_clipboardMonitor->stopMonitoring();
    if (m_hotkeyService)
        m_hotkeyService->unregister();
    if (HotkeyService *hotkeys = HotkeyService::shared())
        hotkeys->unregister(LanguageSwitchService::hotkeyId);
    if (m_modelContainer) {
        ModelContext &context = m_modelContainer->mainContext();
        // A refused save is tried once more; what still cannot be written is said, not lost silently.
        for (int attempt = 0; attempt < 2; ++attempt) {
            context.save();
            if (context.waitForSaves())
                break;
        }
        if (context.hasChanges()) {
            const QString line = QStringLiteral("[Quillbox] %1 changes could not be written to %2")
                                     .arg(context.pendingChangeCount())
                                     .arg(m_modelContainer->path());
            std::fprintf(stderr, "%s\n", qPrintable(line));
            if (m_services.systemLog)
                m_services.systemLog->info(QStringLiteral("Store"), line);
        }
    }
}

void AppDelegate::setupStatusItem()
{
    if (!isGuiApplication())
        return;
    m_statusItem = std::make_unique<StatusItem>();
    connect(m_statusItem.get(), &StatusItem::toggleRequested, this, &AppDelegate::togglePanel);
    connect(m_statusItem.get(), &StatusItem::openRequested, this, &AppDelegate::showPanel);
    connect(m_statusItem.get(), &StatusItem::settingsRequested, this,
        [] { NotificationCenter::defaultCenter().post(openSettingsName); });
    connect(m_statusItem.get(), &StatusItem::quitRequested, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

void AppDelegate::setupPanel()
{
    if (!isGuiApplication())
        return;
    m_panel = std::make_unique<FloatingPanel>();
    QQmlEngine *engine = m_panel->engine();
    engine->addImageProvider(QStringLiteral("icon"), new IconImageProvider);
    engine->rootContext()->setContextProperty(
        QStringLiteral("notificationCenter"), &NotificationCenter::defaultCenter());
    connect(m_panel.get(), &QQuickWindow::frameSwapped, this, [this] {
        if (m_panelShowPending) {
            m_panelShowPending = false;
            emit panelShown(m_showTimer.elapsed());
        }
    });
    if (!m_modelContainer) {
        showStoreProblem();
        return;
    }
    // Building the lists over the whole history and compiling the views take tens to hundreds of
    // milliseconds; capture must not wait for them, and the panel is first shown half a second
    // after launch anyway.
    clock().schedule(0, this, [this] { fillPanel(); });
}

template <class View> void AppDelegate::followColorScheme(View *view)
{
    if (!m_colorScheme)
        m_colorScheme = new DesktopColorScheme(this);
    DesktopColorScheme *scheme = m_colorScheme;
    view->setDark(scheme->prefersDark());
    connect(scheme, &DesktopColorScheme::prefersDarkChanged, view,
        [scheme, view] { view->setDark(scheme->prefersDark()); });
}

void AppDelegate::fillPanel()
{
    QQmlEngine *engine = m_panel->engine();
    engine->addImageProvider(QStringLiteral("thumbnail"), new ThumbnailImageProvider(ModelContainer::defaultPath()));
    m_historyView = std::make_unique<ClipboardHistoryView>(
        m_modelContainer->mainContext(), m_pasteboard, m_preferences, m_services.soundPlayer);
    followColorScheme(m_historyView.get());
    QPointer<AppDelegate> self(this);
    m_historyView->onItemSelected
        = [self](const std::shared_ptr<ClipboardItem> &item) { return self && self->handleItemSelected(item); };
    m_historyView->onMultipleFilesSelected = [self](const QList<std::shared_ptr<ClipboardItem>> &items) {
        if (self)
            self->handleMultipleFilesSelected(items);
    };
    // At once, inside the post: the panel must be reset before it is brought to front.
    NotificationCenter::defaultCenter().observe(
        panelWillShow, m_historyView.get(), [view = m_historyView.get()] { view->resetState(); },
        NotificationCenter::Delivery::immediate);
    ClipboardHistoryView *view = m_historyView.get();
    m_panel->keyHandler
        = [view](QKeyEvent *event) { return view->handleKey(event->key(), event->modifiers(), event->text()); };
    connect(m_panel.get(), &QWindow::visibleChanged, view, [view](bool visible) {
        // The key-down and scroll monitors work only while the panel is on screen.
        if (visible)
            view->setupMonitors();
        else
            view->removeMonitors();
    });
    engine->rootContext()->setContextProperty(QStringLiteral("historyView"), view);
    m_panel->setSource(QUrl(QStringLiteral("qrc:/qml/ClipboardHistoryView.qml")));
}

void AppDelegate::showStoreProblem()
{
    followColorScheme(m_storeProblem.get());
    m_panel->engine()->rootContext()->setContextProperty(QStringLiteral("storeProblem"), m_storeProblem.get());
    m_panel->setSource(QUrl(QStringLiteral("qrc:/qml/StoreProblemView.qml")));
}

bool AppDelegate::isPanelVisible() const
{
    return m_panel && m_panel->isVisible();
}

void AppDelegate::togglePanel()
{
    if (isPanelVisible())
        hidePanel();
    else
        showPanel();
}

void AppDelegate::hidePanel()
{
    if (m_panel)
        m_panel->hide();
}

void AppDelegate::showPanel()
{
    m_showTimer.start();
    m_previousApp = m_workspace.frontmostApplication();
    if (!m_panel)
        return;
    m_panel->centreOnPointerScreen();
    NotificationCenter::defaultCenter().post(panelWillShow);
    m_panelShowPending = true;
    m_panel->show();
    m_panel->raise();
    m_panel->requestActivate();
    for (const int delayMs : {50, 150, 300}) {
        clock().schedule(delayMs, m_panel.get(), [panel = m_panel.get()] {
            if (!panel->isVisible() || !panel->rootObject())
                return;
            // Only while the window manager has not activated it yet: once the user has moved on
            // to another window, taking the focus back would be stealing it.
            if (!panel->isActive())
                panel->requestActivate();
            // The view only; a field that took the focus for typing keeps it.
            QQuickItem *focused = panel->activeFocusItem();
            if (!focused || focused == panel->contentItem())
                panel->rootObject()->forceActiveFocus();
        });
    }
}

bool AppDelegate::handleItemSelected(const std::shared_ptr<ClipboardItem> &item)
{
    const auto log = [this](const QString &line) { debugLog(line); };
    log(QStringLiteral("handleItemSelected: %1, %2, id %3")
            .arg(rawValue(item->type()), contentSummary(QStringLiteral("handleItemSelected:"), item->content()),
                item->id().toString(QUuid::WithoutBraces).toUpper()));
    if (!item->copyToPasteboard(m_pasteboard)) {
        // Pasting now would paste whatever was there before; the panel stays open and says why.
        log(QStringLiteral("copyToPasteboard failed — ") + ClipboardHistoryView::copyFailureNotice(*item));
        return false;
    }
    log(QStringLiteral("Copied to pasteboard"));
    hidePanel();
    log(QStringLiteral("Previous app: %1, pid: %2")
            .arg(appName(m_previousApp))
            .arg(m_previousApp ? m_previousApp->processIdentifier : -1));
    if (!m_previousApp) {
        log(QStringLiteral("No previous app to paste into"));
        return true;
    }
    pasteIntoPreviousApp(true);
    return true;
}

void AppDelegate::handleMultipleFilesSelected(const QList<std::shared_ptr<ClipboardItem>> &items)
{
    const auto log = [this](const QString &line) { debugLog(line); };
    log(QStringLiteral("handleMultipleFilesSelected: %1 items").arg(items.size()));
    if (!ClipboardItem::copyFilesToPasteboard(items, m_pasteboard)) {
        log(QStringLiteral("copyFilesToPasteboard failed — items not all files/images"));
        return;
    }
    hidePanel();
    log(QStringLiteral("Previous app for multi-paste: ") + appName(m_previousApp));
    if (m_previousApp)
        pasteIntoPreviousApp(false);
}

void AppDelegate::debugLog(const QString &line)
{
    if (m_services.pasteService)
        m_services.pasteService->log(line);
}

void AppDelegate::pasteIntoPreviousApp(bool logTarget)
{
    const RunningApplication target = *m_previousApp;
    const auto terminal = m_terminals.find(target.windowClass);
    if (terminal && terminal->pastesPrimary)
        m_pasteboard.copyToPrimarySelection();
    const KeyCombo chord = terminal ? terminal->chord : PasteService::controlV;
    m_workspace.activate(target);
    PasteService *paste = m_services.pasteService;
    Workspace *workspace = &m_workspace;
    // Holds only the target and the services, which live as long as the program.
    clock().schedule(pasteDelayMs, this, [paste, workspace, target, logTarget, chord] {
        if (!paste)
            return;
        if (logTarget) {
            const auto front = workspace->frontmostApplication();
            const bool active = front && front->windowId == target.windowId;
            paste->log(QStringLiteral("Target active: %1, frontmost: %2")
                           .arg(active ? QStringLiteral("true") : QStringLiteral("false"), appName(front)));
        }
        paste->simulatePaste(chord);
    });
}

void AppDelegate::clearAllHistory()
{
    if (!m_modelContainer)
        return;
    ModelContext &context = m_modelContainer->mainContext();
    const auto items = context.fetch<ClipboardItem>();
    for (const auto &item : items)
        context.remove(item);
    context.save();
    printLine(QStringLiteral("[Quillbox] Cleared all history (%1 items)").arg(items.size()));
}

void AppDelegate::openSettings()
{
    printLine(QStringLiteral("[Quillbox] openSettings called"));
    hidePanel();
    printLine(QStringLiteral("[Quillbox] Settings are not available in this version yet"));
}

void AppDelegate::showOnboarding()
{
    if (m_onboardingWindow && m_onboardingWindow->isVisible()) {
        m_onboardingWindow->raise();
        m_onboardingWindow->requestActivate();
        return;
    }
    if (!m_panel)
        return;
    auto *window = new QQuickView(m_panel->engine(), nullptr);
    window->setTitle(QStringLiteral("Welcome to Quillbox"));
    window->setFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    window->setResizeMode(QQuickView::SizeRootObjectToView);
    window->resize(560, 520);
    window->setMinimumSize(window->size());
    window->setMaximumSize(window->size());

    OnboardingView::PasteSupport support;
    support.isWayland = qEnvironmentVariable("XDG_SESSION_TYPE") == QStringLiteral("wayland");
    support.isAvailable = m_services.keySynthesizer && m_services.keySynthesizer->isAvailable();
    support.openKeyboardSettings = keyboardSettingsOpener();
    QPointer<AppDelegate> self(this);
    auto *onboarding = new OnboardingView(
        std::move(support),
        [self] {
            if (!self)
                return;
            self->m_preferences.setHasSeenOnboarding(true);
            if (QQuickView *window = self->m_onboardingWindow) {
                window->close();
                // The views go before the window and the controller they bind to.
                for (QQuickItem *item : window->contentItem()->childItems())
                    item->deleteLater();
                window->deleteLater();
                self->m_onboardingWindow.clear();
            }
            self->clock().schedule(200, self, [self] {
                if (self)
                    self->showPanel();
            });
        },
        window);
    auto *context = new QQmlContext(m_panel->engine()->rootContext(), window);
    context->setContextProperty(QStringLiteral("onboarding"), onboarding);
    QQmlComponent component(m_panel->engine(), QUrl(QStringLiteral("qrc:/qml/OnboardingView.qml")));
    if (auto *root = qobject_cast<QQuickItem *>(component.create(context))) {
        root->setParent(window);
        root->setParentItem(window->contentItem());
        root->setSize(window->size());
        root->forceActiveFocus();
    } else {
        qCWarning(lcDelegate) << component.errorString();
    }
    if (QScreen *screen = QGuiApplication::primaryScreen())
        window->setPosition(screen->availableGeometry().center() - QPoint(280, 260));
    m_onboardingWindow = window;
    window->show();
    clock().schedule(100, window, [window] {
        window->raise();
        window->requestActivate();
    });
}

void AppDelegate::setupHotkey()
{
    if (!m_services.hotkeyGrabber)
        return;
    if (!HotkeyService::shared())
        m_hotkeyService = std::make_unique<HotkeyService>(*m_services.hotkeyGrabber);
    registerPanelHotkey();
}

void AppDelegate::registerPanelHotkey()
{
    HotkeyService *hotkeys = HotkeyService::shared();
    if (!hotkeys)
        return;
    const KeyCombo combo = KeyCombo::fromStored(m_preferences.hotkeyCombo());
    QPointer<AppDelegate> self(this);
    hotkeys->registerHotkey(panelHotkeyId, fourCharCode("QLBX"), combo, [self] {
        if (self)
            self->togglePanel();
    });
}

void AppDelegate::requestAccessibilityIfNeeded()
{
    if (m_services.keySynthesizer && !m_services.keySynthesizer->isAvailable()) {
        printLine(QStringLiteral("[Quillbox] Keystroke simulation not available — paste simulation won't work until "
                                 "Quillbox runs in an X11 session with XTest, or xdotool is installed"));
    }
}

void AppDelegate::observeNotifications()
{
    QPointer<AppDelegate> self(this);
    NotificationCenter &center = NotificationCenter::defaultCenter();
    center.observe(openSettingsName, this, [self] {
        if (self)
            self->openSettings();
    });
    center.observe(reloadHotkeyName, this, [self] {
        if (self) {
            self->m_preferences.reload();
            self->registerPanelHotkey();
        }
    });
    center.observe(clearAllHistoryName, this, [self] {
        if (self)
            self->clearAllHistory();
    });
}

void AppDelegate::setupModelContainer()
{
    QString error;
    QElapsedTimer timer;
    timer.start();
    m_modelContainer = ModelContainer::open(ModelContainer::defaultPath(), &error, clock());
    qCDebug(lcDelegate) << "store opened in" << timer.elapsed() << "ms";
    if (!m_modelContainer) {
        const QString path = ModelContainer::defaultPath();
        printLine(QStringLiteral("Failed to create ModelContainer: %1: %2").arg(path, error));
        // Without a store nothing is captured: a line on stdout is not enough for that.
        m_storeProblem = std::make_unique<StoreProblemView>(path, error);
        if (m_services.notifier)
            m_services.notifier->notifyProblem(m_storeProblem->title(), m_storeProblem->message());
        return;
    }
    seedDefaultCategories();
    seedDefaultTemplates();
}

namespace {

// Inserts the record type's default set into a store that holds none of that type.
template <class Record> bool seedWhenEmpty(ModelContainer *container)
{
    if (!container || container->mainContext().count<Record>() > 0)
        return false;
    Record::insertDefaults(container->mainContext());
    return true;
}

} // namespace

void AppDelegate::seedDefaultCategories()
{
    if (seedWhenEmpty<ClipCategory>(m_modelContainer.get()))
        printLine(QStringLiteral("[Quillbox] Seeded %1 default categories").arg(ClipCategory::defaults.size()));
}

void AppDelegate::seedDefaultTemplates()
{
    if (seedWhenEmpty<PasteTemplate>(m_modelContainer.get()))
        printLine(QStringLiteral("[Quillbox] Seeded %1 default templates").arg(PasteTemplate::defaults.size()));
}

void AppDelegate::startClipboardMonitoring()
{
    if (!m_modelContainer)
        return;
    m_clipboardMonitor = std::make_unique<ClipboardMonitor>(*m_modelContainer, m_pasteboard, m_workspace);
    m_clipboardMonitor->startMonitoring();
    emit captureStarted();
}

void AppDelegate::setupLanguageFix()
{
    const PlatformServices &s = m_services;
    if (!s.hotkeyGrabber || !s.keySynthesizer || !s.keyboardLayouts || !s.systemLog)
        return;
    // The service exists even when disabled, so enabling it later keeps one cycle position.
    m_languageSwitch = std::make_unique<LanguageSwitchService>(
        m_pasteboard, *s.keySynthesizer, *s.keyboardLayouts, *s.systemLog, m_workspace, m_terminals, clock());
    m_languageSwitch->setPrimarySelection(s.primarySelection);
    if (m_clipboardMonitor) {
        connect(m_languageSwitch.get(), &LanguageSwitchService::clipboardBorrowed, m_clipboardMonitor.get(),
            &ClipboardMonitor::pauseCapture);
        connect(m_languageSwitch.get(), &LanguageSwitchService::clipboardReturned, m_clipboardMonitor.get(),
            &ClipboardMonitor::resumeCapture);
    }
    if (m_preferences.enableLanguageFix())
        m_languageSwitch->registerHotkey();
}
