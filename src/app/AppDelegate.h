#pragma once

#include <QObject>

#include <memory>

class ClipboardMonitor;
class HotkeyGrabber;
class HotkeyService;
class KeySynthesizer;
class KeyboardLayouts;
class LanguageSwitchService;
class ModelContainer;
class Pasteboard;
class PasteService;
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
};

/// Builds the running application in a fixed order and takes it down again.
class AppDelegate : public QObject {
    Q_OBJECT

public:
    AppDelegate(Pasteboard &pasteboard, Workspace &workspace, QObject *parent = nullptr);
    AppDelegate(
        Pasteboard &pasteboard, Workspace &workspace, const PlatformServices &services, QObject *parent = nullptr);
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    void applicationWillTerminate();

    ModelContainer *modelContainer() const { return m_modelContainer.get(); }
    ClipboardMonitor *clipboardMonitor() const { return m_clipboardMonitor.get(); }
    LanguageSwitchService *languageSwitchService() const { return m_languageSwitch.get(); }

    /// $XDG_CONFIG_HOME/Quillbox/Quillbox.conf (INI), falling back to ~/.config.
    static QString preferencesPath();

    /// Inserts the default categories, and the default templates, into a store that has none.
    void seedDefaultCategories();
    void seedDefaultTemplates();

signals:
    /// Copies are being captured from now on.
    void captureStarted();

private:
    void setupModelContainer();
    void startClipboardMonitoring();
    void setupLanguageFix();

    Pasteboard &m_pasteboard;
    Workspace &m_workspace;
    std::unique_ptr<ModelContainer> m_modelContainer;
    std::unique_ptr<ClipboardMonitor> m_clipboardMonitor;
    PlatformServices m_services;
    std::unique_ptr<HotkeyService> m_hotkeyService;
    std::unique_ptr<LanguageSwitchService> m_languageSwitch;
};
