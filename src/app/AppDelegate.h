#pragma once

#include "PlatformServices.h"
#include "model/ModelContainer.h"
#include "model/Preferences.h"
#include "services/AppActions.h"
#include "services/TerminalPasteChords.h"

#include <QObject>

#include <future>
#include <memory>

class ClipboardHistoryView;
class DesktopEntryIndex;
class HistoryRetention;
class NeverRecordedApplications;
class ClipboardMonitor;
class HistoryPause;
class GnomeExtensionView;
class HistoryLimit;
class LanguageSwitchService;
class OnboardingWindow;
class PanelHotkey;
class PanelPresenter;
class Pasteboard;
class PasteRoad;
class PrivacyView;
class SettingsWindow;
class StatusItem;
class StoreProblemView;
class StoreSpill;
class Workspace;

/// Builds the running application in a fixed order and takes it down again.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    AppDelegate(Pasteboard &pasteboard, Workspace &workspace, QObject *parent = nullptr);
    AppDelegate(
        Pasteboard &pasteboard, Workspace &workspace, const PlatformServices &services, QObject *parent = nullptr);
    ~AppDelegate() override;

    /// The launch in its fixed order. Windows, the tray item and the panel are built only in a GUI
    /// application; the panel or the onboarding window is shown half a second later. The store is
    /// opened with `storeContents`, what ModelContainer::read() read of it meanwhile; without them
    /// it is read while the panel is made.
    void applicationDidFinishLaunching(std::future<ModelContainer::Contents> storeContents = {});
    void applicationWillTerminate();

    void togglePanel();
    /// Opens the settings window, or brings it forward.
    void openSettings();
    /// Deletes every item, pinned ones included.
    void clearAllHistory();

    /// What the tray, the panel and the settings ask of the application.
    AppActions &actions() { return m_actions; }

    ModelContainer *modelContainer() const { return m_modelContainer.get(); }
    ClipboardMonitor *clipboardMonitor() const { return m_clipboardMonitor.get(); }
    /// Whether the history records copies.
    HistoryPause &historyPause() const { return *m_historyPause; }
    NeverRecordedApplications &neverRecorded() const { return *m_neverRecorded; }
    LanguageSwitchService *languageSwitchService() const { return m_languageSwitch.get(); }
    PanelPresenter *panelPresenter() const { return m_panel.get(); }
    /// Null until the settings were first opened.
    SettingsWindow *settingsWindow() const { return m_settings.get(); }
    /// The paste road: see PasteRoad. Null outside a GUI application.
    PasteRoad *pasteRoad() const { return m_pasteRoad.get(); }
    /// Why the store could not be opened; nothing while it works.
    StoreProblemView *storeProblem() const { return m_storeProblem.get(); }

signals:
    /// Copies are being captured from now on.
    void captureStarted();
    /// The panel's first frame after a show was drawn, `elapsedMs` after the show was asked for.
    void panelShown(qint64 elapsedMs);

private:
    /// Says once, on stderr and in the system log, that the preferences file is left alone.
    void reportUnusablePreferences();
    Clock &clock() const;
    /// One line on stderr and in the system log.
    void reportProblem(const QString &category, const QString &line);
    void setupModelContainer(ModelContainer::Contents contents);
    /// Tells the person once each time the store's disk fills up, and says when it has space again.
    void watchDiskSpace();
    /// Takes back the changes an earlier run could not write, and says so.
    void recoverUnsavedChanges();
    /// At quit, once the last save was refused: keeps what is unsaved outside the store, and says
    /// where, or that it is lost.
    void keepUnsavedChanges();
    void setupPanel();
    /// The panel shows the history once the store is open, or why it could not be opened.
    void connectPanelToStore();
    /// The history view and its QML, one turn after launch.
    void fillPanel();
    void startClipboardMonitoring();
    /// Hands the pasteboard the programs never recorded and what else the person keeps.
    void applyPrivacyPreferences();
    /// Where the pasteboard cannot tell who copied, the application in front stands for it.
    void noteFrontmostApplication();
    /// The Privacy tab's controller; null without a store.
    PrivacyView *makePrivacyView();
    void setupHotkey();
    void setupLanguageFix();
    void requestAccessibilityIfNeeded();

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    /// Before everything that asks or acts through it, so it outlives them.
    AppActions m_actions;
    std::unique_ptr<ModelContainer> m_modelContainer;
    std::unique_ptr<StoreSpill> m_storeSpill;
    std::unique_ptr<HistoryLimit> m_historyLimit;
    std::unique_ptr<HistoryRetention> m_retention;
    std::unique_ptr<StoreProblemView> m_storeProblem;
    std::unique_ptr<ClipboardMonitor> m_clipboardMonitor;
    PlatformServices m_services;
    std::unique_ptr<PanelHotkey> m_panelHotkey;
    std::unique_ptr<LanguageSwitchService> m_languageSwitch;
    Preferences m_preferences;
    const TerminalPasteChords m_terminals;
    std::unique_ptr<HistoryPause> m_historyPause;
    // The installed applications, for the never-recorded list's other names and the Privacy tab.
    std::unique_ptr<DesktopEntryIndex> m_desktopEntries;
    std::unique_ptr<NeverRecordedApplications> m_neverRecorded;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<ClipboardHistoryView> m_historyView;
    std::unique_ptr<PanelPresenter> m_panel;
    std::unique_ptr<PasteRoad> m_pasteRoad;
    // Before the windows that show it.
    std::unique_ptr<GnomeExtensionView> m_gnomeExtension;
    std::unique_ptr<OnboardingWindow> m_onboarding;
    std::unique_ptr<SettingsWindow> m_settings;
};
