#pragma once

class Clock;
class DesktopNotifier;
class HotkeyGrabber;
class KeySynthesizer;
class KeyboardLayouts;
class PasteService;
class PrimarySelection;
class SoundPlayer;
class SystemLog;

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
