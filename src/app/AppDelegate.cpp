#include "AppDelegate.h"

#include "DefaultDataSeeder.h"
#include "FloatingPanel.h"
#include "OnboardingWindow.h"
#include "PanelPresenter.h"
#include "PasteRoad.h"
#include "SettingsWindow.h"
#include "StatusItem.h"
#include "capture/ClipboardMonitor.h"
#include "capture/CopySourceFilter.h"
#include "capture/Pasteboard.h"
#include "capture/Workspace.h"
#include "model/HistoryLimit.h"
#include "model/HistoryRetention.h"
#include "model/ModelContainer.h"
#include "model/ModelContext.h"
#include "model/StoreSpill.h"
#include "platform/DesktopEntryIndex.h"
#include "services/AppActions.h"
#include "services/ConsoleLog.h"
#include "services/DesktopNotifier.h"
#include "services/HistoryPause.h"
#include "services/HotkeyBindingInstructions.h"
#include "services/HotkeyService.h"
#include "services/KeySynthesizer.h"
#include "services/LanguageSwitchService.h"
#include "services/NeverRecordedApplications.h"
#include "services/PanelHotkey.h"
#include "services/SoundPlayer.h"
#include "services/SystemLog.h"
#include "ui/panel/ClipboardHistoryView.h"
#include "ui/panel/DiskFullNotice.h"
#include "ui/panel/StoreProblemView.h"
#include "ui/panel/ThumbnailImageProvider.h"
#include "ui/settings/DesktopShortcutsView.h"
#include "ui/settings/GnomeExtensionView.h"
#include "ui/settings/PrivacyView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QQmlEngine>

#include <cstdio>

Q_LOGGING_CATEGORY(lcDelegate, "quillbox.delegate", QtInfoMsg)

namespace {

constexpr int firstWindowDelayMs = 500;

bool isGuiApplication()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
}

QString changes(int count)
{
    return count == 1 ? QStringLiteral("1 change") : QStringLiteral("%1 changes").arg(count);
}

} // namespace

AppDelegate::AppDelegate(Pasteboard &pasteboard, Workspace &workspace, QObject *parent)
    : AppDelegate(pasteboard, workspace, PlatformServices{}, parent)
{
}

AppDelegate::AppDelegate(
    Pasteboard &pasteboard, Workspace &workspace, const PlatformServices &services, QObject *parent)
    : QObject(parent)
    , m_pasteboard(pasteboard)
    , m_workspace(workspace)
    , m_services(services)
    , m_preferences(Preferences::defaultPath())
    , m_terminals(m_preferences.terminalPasteChords())
    , m_historyPause(std::make_unique<HistoryPause>(m_preferences, clock()))
    , m_desktopEntries(std::make_unique<DesktopEntryIndex>())
    , m_neverRecorded(std::make_unique<NeverRecordedApplications>(m_preferences, m_pasteboard.neverRecorded()))
{
    m_neverRecorded->setAliases([this](const QString &id) {
        const auto entry = m_desktopEntries->byId(id);
        return entry ? QStringList{entry->windowClass} : QStringList{};
    });
    connect(m_desktopEntries.get(), &DesktopEntryIndex::rebuilt, m_neverRecorded.get(),
        &NeverRecordedApplications::refresh);
    // Where the pasteboard cannot tell who copied, the application in front stands for it.
    m_workspace.setFrontmostObserver([this] { noteFrontmostApplication(); });
}

AppDelegate::~AppDelegate() = default;

Clock &AppDelegate::clock() const
{
    return m_services.clock ? *m_services.clock : Clock::system();
}

void AppDelegate::applicationDidFinishLaunching(std::future<ModelContainer::Contents> storeContents)
{
    reportUnusablePreferences();
    m_preferences.setKeyboardUIMode(2);
    // A long history takes tens of milliseconds to read, about as long as making the panel, the tray
    // icon and the paste road, which need none of it: it is read on a thread of its own meanwhile.
    if (!storeContents.valid()) {
        storeContents = std::async(
            std::launch::async, [path = ModelContainer::defaultPath()] { return ModelContainer::read(path); });
    }
    setupPanel();
    if (isGuiApplication())
        m_statusItem = std::make_unique<StatusItem>(*m_panel, m_actions, *m_historyPause);
    m_pasteRoad = std::make_unique<PasteRoad>(
        m_pasteboard, m_workspace, *m_panel, m_services.pasteService, m_terminals, clock());
    QElapsedTimer waited;
    waited.start();
    storeContents.wait();
    qCDebug(lcDelegate) << "waited" << waited.elapsed() << "ms for the store to be read";
    setupModelContainer(storeContents.get());
    connectPanelToStore();
    startClipboardMonitoring();
    setupHotkey();
    setupLanguageFix();
    requestAccessibilityIfNeeded();

    const bool hasSeenOnboarding = m_preferences.hasSeenOnboarding();
    if (m_panel->window()) {
        clock().schedule(firstWindowDelayMs, this, [this, hasSeenOnboarding] {
            if (hasSeenOnboarding)
                m_panel->show();
            else
                m_onboarding->show();
        });
    }
    connect(&m_actions, &AppActions::openSettingsRequested, this, &AppDelegate::openSettings, Qt::QueuedConnection);
    connect(
        &m_actions, &AppActions::clearAllHistoryRequested, this, &AppDelegate::clearAllHistory, Qt::QueuedConnection);
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
    if (m_modelContainer && m_preferences.clearHistoryOnQuit()) {
        const int cleared = HistoryRetention::clearUnpinned(m_modelContainer->mainContext());
        printLine(QStringLiteral("[Quillbox] Cleared %1 unpinned items as Quillbox quits").arg(cleared));
    }
    if (m_panelHotkey)
        m_panelHotkey->unregister();
    if (HotkeyService *hotkeys = HotkeyService::shared())
        hotkeys->unregister(LanguageSwitchService::hotkeyId);
    if (m_modelContainer && !m_modelContainer->mainContext().saveBeforeClosing())
        keepUnsavedChanges();
}

void AppDelegate::keepUnsavedChanges()
{
    const ModelContext &context = m_modelContainer->mainContext();
    QString why = QStringLiteral("the disk is full");
    if (!context.isDiskFull() && context.lastSaveFailure()) {
        why = context.lastSaveFailure()->cause == SaveFailure::Cause::locked
            ? QStringLiteral("another program holds the store's lock")
            : context.lastSaveFailure()->message;
    }
    QString line = QStringLiteral("[Quillbox] %1 could not be written to %2 (%3)")
                       .arg(changes(context.unsavedChangeCount()), m_modelContainer->path(), why);
    const StoreSpill::Kept kept = m_storeSpill->keep();
    if (kept.file.isEmpty()) {
        line += QStringLiteral(" and are lost: no other folder could keep them (%1)")
                    .arg(kept.failures.join(QStringLiteral("; ")));
    } else {
        const QString which = kept.leftOut == 0
            ? (kept.changes == 1 ? QStringLiteral("It is") : QStringLiteral("They are"))
            : kept.changes == 1 ? QStringLiteral("1 of them is")
                                : QStringLiteral("%1 of them are").arg(kept.changes);
        line += QStringLiteral(". %1 kept in %2 and will be added to the history at the next start")
                    .arg(which, kept.file);
        if (kept.lastsUntilLogout)
            line += QStringLiteral(", unless you log out first: that folder is emptied when your last session ends");
        if (kept.leftOut > 0) {
            line += QStringLiteral(". The other %1, too large to keep there (%2 MB at most), %3 lost")
                        .arg(kept.leftOut)
                        .arg(StoreSpill::defaultMaxBytes / (1024 * 1024))
                        .arg(kept.leftOut == 1 ? QStringLiteral("is") : QStringLiteral("are"));
        }
    }
    reportProblem(QStringLiteral("Store"), line);
}

void AppDelegate::setupPanel()
{
    m_panel = std::make_unique<PanelPresenter>(m_workspace, clock(), m_actions, m_services.backendChoice.backend);
    if (!m_panel->window())
        return;
    connect(m_panel.get(), &PanelPresenter::shown, this, &AppDelegate::panelShown);
    const BackendChoice &choice = m_services.backendChoice;
    if (const QString advice = choice.gnomeExtensionAdvice(); !advice.isEmpty()) {
        m_gnomeExtension = std::make_unique<GnomeExtensionView>(
            advice, choice.canEnableGnomeExtension(), choice.gnomeExtension == GnomeExtensionState::State::disabled);
    }
    m_onboarding
        = std::make_unique<OnboardingWindow>(*m_panel->window()->engine(), m_preferences, m_services.keySynthesizer,
            choice.waylandSession, m_services.desktopBindsHotkeys, m_gnomeExtension.get(), clock());
    connect(m_onboarding.get(), &OnboardingWindow::finished, this,
        [this] { clock().schedule(200, this, [this] { m_panel->show(); }); });
}

void AppDelegate::connectPanelToStore()
{
    if (!m_panel->window())
        return;
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
        m_modelContainer->mainContext(), m_pasteboard, m_preferences, m_actions, m_services.soundPlayer, clock());
    m_historyView->setHistoryPause(m_historyPause.get());
    connect(
        m_historyView.get(), &ClipboardHistoryView::itemSelected, m_pasteRoad.get(), &PasteRoad::handleItemSelected);
    connect(m_pasteRoad.get(), &PasteRoad::copyFailed, m_historyView.get(),
        [view = m_historyView.get()](const std::shared_ptr<ClipboardItem> &item) { view->showCopyFailure(*item); });
    connect(m_historyView.get(), &ClipboardHistoryView::multipleFilesSelected, m_pasteRoad.get(),
        &PasteRoad::handleMultipleFilesSelected);
    m_panel->setHistoryView(m_historyView.get());
}

void AppDelegate::togglePanel()
{
    if (m_panel)
        m_panel->toggle();
}

void AppDelegate::clearAllHistory()
{
    if (!m_modelContainer)
        return;
    ModelContext &context = m_modelContainer->mainContext();
    const auto items = context.fetch<ClipboardItem>();
    context.remove(items);
    context.save();
    printLine(QStringLiteral("[Quillbox] Cleared all history (%1 items)").arg(items.size()));
}

void AppDelegate::openSettings()
{
    printLine(QStringLiteral("[Quillbox] openSettings called"));
    if (!m_panel || !m_panel->window())
        return;
    m_panel->hide();
    if (!m_settings) {
        SettingsView::Services services;
        services.preferences = &m_preferences;
        services.clock = &clock();
        services.actions = &m_actions;
        services.context = m_modelContainer ? &m_modelContainer->mainContext() : nullptr;
        services.historyLimit = m_historyLimit.get();
        services.loginItem = m_services.loginItem;
        services.keyboardLayouts = m_services.keyboardLayouts;
        services.appIcon = QUrl(QStringLiteral("qrc:/icons/quillbox.svg"));
        if (m_services.desktopBindsHotkeys)
            services.desktopShortcuts = new DesktopShortcutsView(HotkeyBindingInstructions::sessionDesktop(),
                HotkeyBindingInstructions::programBindings(KeyCombo::fromStored(m_preferences.hotkeyCombo())),
                QCoreApplication::applicationFilePath(), &DesktopShortcutsView::runProgram, this);
        // What this session keeps from Quillbox, for the About tab.
        services.sessionLimits = QString(m_services.backendChoice.notice).remove(QStringLiteral("[Quillbox] "));
        services.clipboardProtocol = m_services.clipboardProtocol;
        services.gnomeExtension = m_gnomeExtension.get();
        services.privacy = makePrivacyView();
        m_settings = std::make_unique<SettingsWindow>(*m_panel->window()->engine(), services);
    }
    clock().schedule(100, this, [this] {
        if (!m_settings)
            return;
        printLine(QStringLiteral("[Quillbox] Showing settings window"));
        m_settings->show();
    });
}

PrivacyView *AppDelegate::makePrivacyView()
{
    if (!m_modelContainer)
        return nullptr;
    const auto shown = [](const DesktopEntryIndex::Application &entry) {
        return PrivacyView::Application{entry.id, entry.name, entry.icon};
    };
    PrivacyView::Sources sources;
    sources.installed = [this, shown] {
        QList<PrivacyView::Application> applications;
        for (const auto &entry : m_desktopEntries->applications()) {
            if (entry.shown)
                applications.append(shown(entry));
        }
        return applications;
    };
    sources.running = [this, shown] {
        QList<PrivacyView::Application> applications;
        for (const RunningApplication &running : m_workspace.runningApplications()) {
            const QString id = running.bundleIdentifier.value_or(running.windowClass);
            // Quillbox's own windows are never recorded anyway.
            if (id.compare(QStringLiteral("quillbox"), Qt::CaseInsensitive) == 0)
                continue;
            const auto entry = m_desktopEntries->byId(id);
            applications.append(
                entry ? shown(*entry) : PrivacyView::Application{id, running.localizedName.value_or(id), {}});
        }
        return applications;
    };
    sources.byId = [this, shown](const QString &id) -> std::optional<PrivacyView::Application> {
        const auto entry = m_desktopEntries->byId(id);
        return entry ? std::optional(shown(*entry)) : std::nullopt;
    };
    sources.storePath = m_modelContainer->path();
    if (m_services.backendChoice.isWayland() && !m_services.backendChoice.throughGnomeShell())
        sources.matchingNote = tr("On this desktop Quillbox knows only the application in front: a program that "
                                  "copies from the background cannot be told apart. Password managers' own mark "
                                  "still keeps their copies out.");
    return new PrivacyView(*m_neverRecorded, *m_historyPause, m_preferences, std::move(sources), this);
}

void AppDelegate::setupHotkey()
{
    if (!m_services.hotkeyGrabber)
        return;
    m_panelHotkey = std::make_unique<PanelHotkey>(*m_services.hotkeyGrabber, m_preferences, m_actions);
    connect(m_panelHotkey.get(), &PanelHotkey::pressed, this, &AppDelegate::togglePanel);
    m_panelHotkey->registerStored();
}

void AppDelegate::requestAccessibilityIfNeeded()
{
    if (!m_services.keySynthesizer || m_services.keySynthesizer->isAvailable())
        return;
    if (m_services.backendChoice.isWayland())
        printLine(QStringLiteral("[Quillbox] Keystroke simulation not available — paste simulation won't work until "
                                 "the compositor offers a virtual keyboard (sway, Hyprland, labwc) or KWin's "
                                 "fake-input, or ydotool is installed"));
    else
        printLine(QStringLiteral("[Quillbox] Keystroke simulation not available — paste simulation won't work until "
                                 "Quillbox runs in an X11 session with XTest, or xdotool is installed"));
}

void AppDelegate::setupModelContainer(ModelContainer::Contents contents)
{
    QString error;
    QElapsedTimer timer;
    timer.start();
    m_modelContainer = ModelContainer::open(ModelContainer::defaultPath(), std::move(contents), &error, clock());
    qCDebug(lcDelegate) << "store opened in" << timer.elapsed() << "ms after it was read";
    if (!m_modelContainer) {
        const QString path = ModelContainer::defaultPath();
        printLine(QStringLiteral("Failed to create ModelContainer: %1: %2").arg(path, error));
        // Without a store nothing is captured: a line on stdout is not enough for that.
        m_storeProblem = std::make_unique<StoreProblemView>(path, error);
        if (m_services.notifier)
            m_services.notifier->notifyProblem(m_storeProblem->title(), m_storeProblem->message());
        return;
    }
    watchDiskSpace();
    m_storeSpill = std::make_unique<StoreSpill>(
        m_modelContainer->mainContext(), m_modelContainer->path(), StoreSpill::standardFolders());
    // Before the defaults are seeded: an earlier run's unsaved changes may hold them.
    recoverUnsavedChanges();
    DefaultDataSeeder::seedCategories(m_modelContainer->mainContext());
    DefaultDataSeeder::seedTemplates(m_modelContainer->mainContext());
    m_historyLimit = std::make_unique<HistoryLimit>(m_modelContainer->mainContext(), m_preferences);
    m_historyLimit->keepEarlierHistory();
    if (const QString problem = m_historyLimit->problem(); !problem.isEmpty())
        reportProblem(QStringLiteral("Preferences"), QStringLiteral("[Quillbox] ") + problem);
}

void AppDelegate::watchDiskSpace()
{
    const ModelContext &context = m_modelContainer->mainContext();
    connect(&context, &ModelContext::diskFullChanged, this, [this, &context] {
        if (!context.isDiskFull()) {
            printLine(QStringLiteral("[Quillbox] The disk has space again: the history is saved"));
            return;
        }
        const QString folder = QFileInfo(m_modelContainer->path()).absolutePath();
        reportProblem(QStringLiteral("Store"),
            QStringLiteral("[Quillbox] The disk that holds %1 is full: the history is not being saved. Copies are "
                           "kept until space is freed")
                .arg(folder));
        if (m_services.notifier)
            m_services.notifier->notifyProblem(
                DiskFullNotice::notificationSummary(), DiskFullNotice::notificationBody(folder));
    });
}

void AppDelegate::recoverUnsavedChanges()
{
    const StoreSpill::Recovery recovery = m_storeSpill->recover();
    for (const QString &unusable : recovery.unusable) {
        reportProblem(QStringLiteral("Store"),
            QStringLiteral("[Quillbox] Cannot take back the unsaved changes in %1. The file is left as it is")
                .arg(unusable));
    }
    if (recovery.file.isEmpty())
        return;
    QString line = QStringLiteral("[Quillbox] Recovered %1 that could not be written before, from %2")
                       .arg(changes(recovery.changes), recovery.file);
    if (!recovery.written)
        line += QStringLiteral("; they wait with the other unsaved changes until the store can be written");
    printLine(line);
}

void AppDelegate::startClipboardMonitoring()
{
    if (!m_modelContainer)
        return;
    m_clipboardMonitor = std::make_unique<ClipboardMonitor>(*m_modelContainer, m_pasteboard, m_workspace);
    m_clipboardMonitor->setHistoryLimit(m_historyLimit.get());
    m_clipboardMonitor->setHistoryPaused(m_historyPause->isPaused());
    applyPrivacyPreferences();
    noteFrontmostApplication();
    connect(&m_preferences, &Preferences::changed, this, [this](Preferences::Key key) {
        using Key = Preferences::Key;
        if (key == Key::recordImages || key == Key::recordFiles || key == Key::largestItemMegabytes)
            applyPrivacyPreferences();
    });
    m_retention = std::make_unique<HistoryRetention>(m_modelContainer->mainContext(), m_preferences);
    m_retention->start();
    connect(m_historyPause.get(), &HistoryPause::pausedChanged, m_clipboardMonitor.get(),
        &ClipboardMonitor::setHistoryPaused);
    connect(m_clipboardMonitor.get(), &ClipboardMonitor::copyCaptured, this, [this] {
        if (m_services.soundPlayer && m_preferences.playSoundOnCopy())
            m_services.soundPlayer->playCopySound();
    });
    m_clipboardMonitor->startMonitoring();
    emit captureStarted();
}

void AppDelegate::applyPrivacyPreferences()
{
    ClipboardMonitor::CaptureRules rules;
    rules.images = m_preferences.recordImages();
    rules.files = m_preferences.recordFiles();
    // A size the person wrote by hand that makes no sense keeps the default bound.
    if (const int megabytes = m_preferences.largestItemMegabytes(); megabytes > 0 && megabytes <= 256)
        rules.largestItemBytes = qint64(megabytes) * 1024 * 1024;
    m_clipboardMonitor->setCaptureRules(rules);
}

void AppDelegate::noteFrontmostApplication()
{
    const auto frontmost = m_workspace.frontmostApplication();
    m_pasteboard.setFrontmostApplication(frontmost ? CopySourceFilter::applicationNames(*frontmost) : QStringList());
}

void AppDelegate::setupLanguageFix()
{
    const PlatformServices &s = m_services;
    // Without a grabber (sway, GNOME) the desktop binds `quillbox fix-layout` instead.
    if (!s.keySynthesizer || !s.keyboardLayouts || !s.systemLog)
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
