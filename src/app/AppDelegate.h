#pragma once

#include "model/Preferences.h"
#include "services/TerminalPasteChords.h"

#include <QList>
#include <QObject>

#include <memory>

class ClipboardHistoryView;
class Clock;
class ClipboardItem;
class ClipboardMonitor;
class DesktopNotifier;
class FloatingPanel;
class OnboardingWindow;
class PanelPresenter;
class PasteRoad;
class SoundPlayer;
class QQuickView;
class StatusItem;
class StoreProblemView;
class HotkeyGrabber;
class HotkeyService;
class KeySynthesizer;
class KeyboardLayouts;
class LanguageSwitchService;
class ModelContainer;
class Pasteboard;
class PasteService;
class PrimarySelection;
class SystemLog;
class Workspace;

/// The desktop facilities the hotkey features need; all must outlive the delegate. Without them
/// (unit tests of the store and capture) those features are left out.
struct PlatformServices {
    HotkeyGrabber *hotkeyGrabber = nullptr;
    KeySynthesizer *keySynthesizer = nullptr;
    const KeyboardLayouts *keyboardLayouts = nullptr;
    SystemLog *systemLog = nullptr;
    PasteService *pasteService = nullptr;
    SoundPlayer *soundPlayer = nullptr;
    /// The selected text without a copy keystroke, for the wrong-layout fix; optional.
    PrimarySelection *primarySelection = nullptr;
    /// Tells the person about a store that cannot be opened; optional.
    DesktopNotifier *notifier = nullptr;
    /// Time and delays for the store, capture and every wait of the delegate; the system's if null.
    Clock *clock = nullptr;
};

/// Builds the running application in a fixed order and takes it down again.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    AppDelegate(Pasteboard &pasteboard, Workspace &workspace, QObject *parent = nullptr);
    AppDelegate(
        Pasteboard &pasteboard, Workspace &workspace, const PlatformServices &services, QObject *parent = nullptr);
    ~AppDelegate() override;

    /// The launch in its fixed order. Windows, the tray item and the panel are built only in a GUI
    /// application; the panel or the onboarding window is shown half a second later.
    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    void togglePanel();
    void showPanel();
    void hidePanel();
    bool isPanelVisible() const;
    void openSettings();
    void showOnboarding();
    /// The paste road: the item onto the clipboard, the panel hidden, the previous window
    /// re-activated and, 0.15 s later, Control+V sent to it (a terminal's own paste chord to a
    /// terminal, with the item on the PRIMARY selection too for those that paste only that). An item
    /// that cannot be written stops the road with the clipboard and the panel as they were, and
    /// answers false.
    bool handleItemSelected(const std::shared_ptr<ClipboardItem> &item);
    void handleMultipleFilesSelected(const QList<std::shared_ptr<ClipboardItem>> &items);
    /// Deletes every item, pinned ones included.
    void clearAllHistory();

    ModelContainer *modelContainer() const { return m_modelContainer.get(); }
    ClipboardMonitor *clipboardMonitor() const { return m_clipboardMonitor.get(); }
    LanguageSwitchService *languageSwitchService() const { return m_languageSwitch.get(); }
    FloatingPanel *panel() const;
    ClipboardHistoryView *historyView() const { return m_historyView.get(); }
    /// Why the store could not be opened; nothing while it works.
    StoreProblemView *storeProblem() const { return m_storeProblem.get(); }
    QQuickView *onboardingWindow() const;

    /// Inserts the default categories, and the default templates, into a store that has none.
    void seedDefaultCategories();
    void seedDefaultTemplates();

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
    void setupModelContainer();
    void setupStatusItem();
    void setupPanel();
    /// The history view and its QML, one turn after launch.
    void fillPanel();
    void startClipboardMonitoring();
    void setupHotkey();
    void registerPanelHotkey();
    void setupLanguageFix();
    void requestAccessibilityIfNeeded();
    void observeNotifications();

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    std::unique_ptr<ModelContainer> m_modelContainer;
    std::unique_ptr<StoreProblemView> m_storeProblem;
    std::unique_ptr<ClipboardMonitor> m_clipboardMonitor;
    PlatformServices m_services;
    std::unique_ptr<HotkeyService> m_hotkeyService;
    std::unique_ptr<LanguageSwitchService> m_languageSwitch;
    Preferences m_preferences;
    const TerminalPasteChords m_terminals;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<ClipboardHistoryView> m_historyView;
    std::unique_ptr<PanelPresenter> m_panel;
    std::unique_ptr<PasteRoad> m_pasteRoad;
    std::unique_ptr<OnboardingWindow> m_onboarding;
};
