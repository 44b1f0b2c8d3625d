#pragma once

#include "BackendChoice.h"

#include <QString>

class Clock;
class DesktopNotifier;
class HotkeyGrabber;
class KeySynthesizer;
class KeyboardLayouts;
class LoginItem;
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
    /// Starts Quillbox at login, for the settings; optional.
    LoginItem *loginItem = nullptr;
    /// The session, as decided at start-up; X11 where none was decided (tests).
    BackendChoice backendChoice = {BackendChoice::Backend::x11, {}, {}};
    /// The desktop, not Quillbox, owns the global keys (Wayland without Plasma, or XWayland, whose
    /// grabs see only X11 windows): the person binds `quillbox --toggle` and `quillbox fix-layout`.
    bool desktopBindsHotkeys = false;
    /// The data-control protocol the Wayland clipboard is read through; empty on X11.
    QString clipboardProtocol = {};
};
