#pragma once

#include "model/Preferences.h"
#include "platform/RunningApplication.h"
#include "services/TerminalPasteChords.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QQuickView>

#include <memory>
#include <optional>

class ClipboardHistoryView;
class ClipboardItem;
class ClipboardMonitor;
class Clock;
class DesktopColorScheme;
class DesktopNotifier;
class FloatingPanel;
class OnboardingView;
class SoundPlayer;
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
    FloatingPanel *panel() const { return m_panel.get(); }
    ClipboardHistoryView *historyView() const { return m_historyView.get(); }
    /// Why the store could not be opened; nothing while it works.
    StoreProblemView *storeProblem() const { return m_storeProblem.get(); }
    QQuickView *onboardingWindow() const { return m_onboardingWindow.data(); }
    const std::optional<RunningApplication> &previousApp() const { return m_previousApp; }

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
    void setupModelContainer();
    void setupStatusItem();
    void setupPanel();
    /// The history view and its QML, one turn after launch.
    void fillPanel();
    /// The panel without a store: the file and why it could not be opened.
    void showStoreProblem();
    /// Keeps the view's light or dark look in step with the desktop's.
    template <class View> void followColorScheme(View *view);
    void startClipboardMonitoring();
    void setupHotkey();
    void registerPanelHotkey();
    void setupLanguageFix();
    void requestAccessibilityIfNeeded();
    void observeNotifications();
    Clock &clock() const;
    /// A line of the paste road in the debug log.
    void debugLog(const QString &line);
    /// Re-activates the previous application and pastes into it 0.15 s later.
    void pasteIntoPreviousApp(bool logTarget);

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
    std::unique_ptr<FloatingPanel> m_panel;
    DesktopColorScheme *m_colorScheme = nullptr;
    QPointer<QQuickView> m_onboardingWindow;
    std::optional<RunningApplication> m_previousApp;
    bool m_panelShowPending = false;
    QElapsedTimer m_showTimer;
};
