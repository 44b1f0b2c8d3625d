#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

class AppActions;
class HotkeyGrabber;
class HotkeyService;
class Preferences;

/// The global hotkey that toggles the panel: registered from the stored combination at launch and
/// again when a new one was stored (the preferences read afresh), released at quit.
class PanelHotkey : public QObject {
    Q_OBJECT

public:
    static constexpr std::uint32_t hotkeyId = 1;

    /// Uses the shared hotkey service, or starts one on `grabber`; the arguments must outlive this.
    PanelHotkey(HotkeyGrabber &grabber, Preferences &preferences, AppActions &actions, QObject *parent = nullptr);
    ~PanelHotkey() override;

    /// Registers the stored combination under `hotkeyId`.
    void registerStored();
    /// Releases every hotkey of the service.
    void unregister();

signals:
    void pressed();

private:
    Preferences &m_preferences;
    std::unique_ptr<HotkeyService> m_ownService;
};
