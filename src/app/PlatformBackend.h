#pragma once

#include "BackendChoice.h"
#include "PlatformServices.h"

#include <memory>

class CanberraSoundPlayer;
class FreedesktopNotifier;
class GnomeShell;
class JournalSystemLog;
class Pasteboard;
class PrimarySelection;
class WaylandConnection;
class WaylandKeymap;
class Workspace;
class XdgAutostartEntry;
class XdotoolScriptRunner;

/// The desktop implementations for the chosen display server, built in one place and alive as long
/// as this object. Construct after the QApplication.
class PlatformBackend {
public:
    explicit PlatformBackend(const BackendChoice &choice);
    ~PlatformBackend();

    Pasteboard &pasteboard() const { return *m_pasteboard; }
    Workspace &workspace() const { return *m_workspace; }
    const PlatformServices &services() const { return m_services; }

private:
    /// Builds the GNOME Shell extension's parts, or the Wayland protocols' parts, of the interfaces;
    /// returns what the clipboard is reached through.
    QString buildGnomeShell(PrimarySelection *&primarySelection);
    QString buildWayland(PrimarySelection *&primarySelection);

    // What is bound on it goes first.
    std::unique_ptr<WaylandConnection> m_wayland;
    std::unique_ptr<GnomeShell> m_gnomeShell;
    std::unique_ptr<Pasteboard> m_pasteboard;
    std::unique_ptr<Workspace> m_workspace;
    std::unique_ptr<HotkeyGrabber> m_hotkeyGrabber;
    std::unique_ptr<KeySynthesizer> m_keySynthesizer;
    std::unique_ptr<WaylandKeymap> m_keymap;
    std::unique_ptr<KeyboardLayouts> m_keyboardLayouts;
    std::unique_ptr<JournalSystemLog> m_systemLog;
    std::unique_ptr<XdotoolScriptRunner> m_scriptRunner;
    std::unique_ptr<PasteService> m_pasteService;
    std::unique_ptr<CanberraSoundPlayer> m_soundPlayer;
    std::unique_ptr<FreedesktopNotifier> m_notifier;
    std::unique_ptr<XdgAutostartEntry> m_loginItem;
    PlatformServices m_services;
};
