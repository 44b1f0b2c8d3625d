#include "AppDelegate.h"

#include "DefaultDataSeeder.h"
#include "FloatingPanel.h"
#include "OnboardingWindow.h"
#include "PanelPresenter.h"
#include "PasteRoad.h"
#include "StatusItem.h"
#include "capture/ClipboardMonitor.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "services/ConsoleLog.h"
#include "services/DesktopNotifier.h"
#include "services/HotkeyService.h"
#include "services/KeyCombo.h"
#include "services/KeySynthesizer.h"
#include "services/LanguageSwitchService.h"
#include "services/NotificationCenter.h"
#include "services/SystemLog.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/StoreProblemView.h"
#include "ui/panel/ThumbnailImageProvider.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QQmlEngine>

#include <cstdio>

Q_LOGGING_CATEGORY(lcDelegate, "quillbox.delegate", QtInfoMsg)

namespace {

constexpr std::uint32_t panelHotkeyId = 1;
constexpr int firstWindowDelayMs = 500;
const QString openSettingsName = QStringLiteral("Quillbox.openSettings");
const QString reloadHotkeyName = QStringLiteral("Quillbox.reloadHotkey");
const QString clearAllHistoryName = QStringLiteral("Quillbox.clearAllHistory");

bool isGuiApplication()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
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
    m_pasteRoad = std::make_unique<PasteRoad>(
        m_pasteboard, m_workspace, *m_panel, m_services.pasteService, m_terminals, clock());
    startClipboardMonitoring();
    setupHotkey();
    setupLanguageFix();
    requestAccessibilityIfNeeded();

    const bool hasSeenOnboarding = m_preferences.hasSeenOnboarding();
    if (m_panel->window()) {
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
    reportProblem(QStringLiteral("Preferences"),
        QStringLiteral("[Quillbox] Preferences in %1 cannot be used: %2. Running with the defaults; changes are not "
                       "saved and the file is left as it is.")
            .arg(m_preferences.path(), m_preferences.problem()));
}

void AppDelegate::reportProblem(const QString &category, const QString &line)
{
    std::fprintf(stderr, "%s\n", qPrintable(line));
    if (m_services.systemLog)
        m_services.systemLog->info(category, line);
}

void AppDelegate::applicationWillTerminate()
{
    if (m_clipboardMonitor)
        m_clipboardMonitor->stopMonitoring();
    if (m_hotkeyService)
        m_hotkeyService->unregister();
    if (HotkeyService *hotkeys = HotkeyService::shared())
        hotkeys->unregister(LanguageSwitchService::hotkeyId);
    // What cannot be written is said, not lost silently.
    if (m_modelContainer && !m_modelContainer->mainContext().saveBeforeClosing()) {
        reportProblem(QStringLiteral("Store"),
            QStringLiteral("[Quillbox] %1 changes could not be written to %2")
                .arg(m_modelContainer->mainContext().pendingChangeCount())
                .arg(m_modelContainer->path()));
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
    m_panel = std::make_unique<PanelPresenter>(m_workspace, clock());
    if (!m_panel->window())
        return;
    connect(m_panel.get(), &PanelPresenter::shown, this, &AppDelegate::panelShown);
    m_onboarding = std::make_unique<OnboardingWindow>(
        *m_panel->window()->engine(), m_preferences, m_services.keySynthesizer, clock());
    connect(m_onboarding.get(), &OnboardingWindow::finished, this,
        [this] { clock().schedule(200, this, [this] { showPanel(); }); });
    if (!m_modelContainer) {
        m_panel->setStoreProblemView(m_storeProblem.get());
        return;
    }
    // Building the lists over the whole history and compiling the views take tens to hundreds of
    // milliseconds; capture must not wait for them, and the panel is first shown half a second
    // after launch anyway.
    clock().schedule(0, this, [this] { fillPanel(); });
}

void AppDelegate::fillPanel()
{
    m_panel->window()->engine()->addImageProvider(
        QStringLiteral("thumbnail"), new ThumbnailImageProvider(m_modelContainer->path()));
    m_historyView = std::make_unique<ClipboardHistoryView>(
        m_modelContainer->mainContext(), m_pasteboard, m_preferences, m_services.soundPlayer, clock());
    connect(m_historyView.get(), &ClipboardHistoryView::itemSelected, this,
        [this, view = m_historyView.get()](const std::shared_ptr<ClipboardItem> &item) {
            if (!handleItemSelected(item))
                view->showCopyFailure(*item);
        });
    connect(m_historyView.get(), &ClipboardHistoryView::multipleFilesSelected, this,
        &AppDelegate::handleMultipleFilesSelected);
    m_panel->setHistoryView(m_historyView.get());
}

bool AppDelegate::isPanelVisible() const
{
    return m_panel && m_panel->isVisible();
}

void AppDelegate::togglePanel()
{
    if (m_panel)
        m_panel->toggle();
}

void AppDelegate::hidePanel()
{
    if (m_panel)
        m_panel->hide();
}

void AppDelegate::showPanel()
{
    if (m_panel)
        m_panel->show();
}

bool AppDelegate::handleItemSelected(const std::shared_ptr<ClipboardItem> &item)
{
    return m_pasteRoad && m_pasteRoad->handleItemSelected(item);
}

void AppDelegate::handleMultipleFilesSelected(const QList<std::shared_ptr<ClipboardItem>> &items)
{
    if (m_pasteRoad)
        m_pasteRoad->handleMultipleFilesSelected(items);
}

void AppDelegate::showOnboarding()
{
    if (m_onboarding)
        m_onboarding->show();
}

QQuickView *AppDelegate::onboardingWindow() const
{
    return m_onboarding ? m_onboarding->window() : nullptr;
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

void AppDelegate::seedDefaultCategories()
{
    if (m_modelContainer)
        DefaultDataSeeder::seedCategories(m_modelContainer->mainContext());
}

void AppDelegate::seedDefaultTemplates()
{
    if (m_modelContainer)
        DefaultDataSeeder::seedTemplates(m_modelContainer->mainContext());
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

FloatingPanel *AppDelegate::panel() const
{
    return m_panel ? m_panel->window() : nullptr;
}
