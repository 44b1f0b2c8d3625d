#include "PlatformBackend.h"

#include "capture/Pasteboard.h"
#include "capture/Workspace.h"
#include "platform/CanberraSoundPlayer.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/JournalSystemLog.h"
#include "platform/KGlobalAccelHotkeyGrabber.h"
#include "platform/PortalGlobalShortcutsGrabber.h"
#include "platform/XdgAutostartEntry.h"
#include "platform/XdotoolScriptRunner.h"
#include "platform/gnome/GnomeHotkeyGrabber.h"
#include "platform/gnome/GnomeKeySynthesizer.h"
#include "platform/gnome/GnomePasteboard.h"
#include "platform/gnome/GnomeShell.h"
#include "platform/gnome/GnomeWorkspace.h"
#include "platform/wayland/KWinFakeInputKeySynthesizer.h"
#include "platform/wayland/KWinWorkspace.h"
#include "platform/wayland/VirtualKeyboardKeySynthesizer.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandKeymap.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "platform/x11/X11HotkeyGrabber.h"
#include "platform/x11/X11KeySynthesizer.h"
#include "platform/x11/X11Pasteboard.h"
#include "platform/x11/X11Workspace.h"
#include "platform/x11/XkbKeyboardLayouts.h"
#include "services/HotkeyGrabber.h"
#include "services/KeySynthesizer.h"
#include "services/KeyboardLayouts.h"
#include "services/PasteService.h"

#include <QCoreApplication>
#include <QProcessEnvironment>

PlatformBackend::PlatformBackend(const BackendChoice &choice)
    : m_systemLog(std::make_unique<JournalSystemLog>())
    , m_soundPlayer(std::make_unique<CanberraSoundPlayer>())
    , m_notifier(std::make_unique<FreedesktopNotifier>())
    , m_loginItem(std::make_unique<XdgAutostartEntry>(QCoreApplication::applicationFilePath()))
{
    PrimarySelection *primarySelection = nullptr;
    QString clipboardProtocol;
    if (choice.isWayland()) {
        // One connection for everything on this thread; the clipboard reader has its own on its thread.
        m_wayland = std::make_unique<WaylandConnection>();
        if (choice.throughGnomeShell())
            clipboardProtocol = buildGnomeShell(primarySelection);
        else
            clipboardProtocol = buildWayland(primarySelection);
        m_keymap = std::make_unique<WaylandKeymap>(*m_wayland);
        m_keyboardLayouts = std::make_unique<XkbKeyboardLayouts>([keymap = m_keymap.get()] { return keymap->text(); });
        // XWayland's DISPLAY would make the fallback type through xdotool into X11 windows only.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        m_scriptRunner = std::make_unique<XdotoolScriptRunner>(2000, environment);
    } else {
        auto pasteboard = std::make_unique<X11Pasteboard>();
        primarySelection = pasteboard.get();
        m_pasteboard = std::move(pasteboard);
        m_workspace = std::make_unique<X11Workspace>();
        m_hotkeyGrabber = std::make_unique<X11HotkeyGrabber>();
        m_keySynthesizer = std::make_unique<X11KeySynthesizer>();
        m_keyboardLayouts = std::make_unique<XkbKeyboardLayouts>();
        m_scriptRunner = std::make_unique<XdotoolScriptRunner>();
    }
    m_pasteService = std::make_unique<PasteService>(*m_keySynthesizer, *m_systemLog, *m_scriptRunner);
    m_services = PlatformServices{m_hotkeyGrabber.get(), m_keySynthesizer.get(), m_keyboardLayouts.get(),
        m_systemLog.get(), m_pasteService.get(), m_soundPlayer.get(), primarySelection, m_notifier.get(), nullptr,
        m_loginItem.get(), choice,
        // On XWayland the grabs see only X11 windows.
        choice.isWayland() ? !m_hotkeyGrabber : choice.waylandSession, clipboardProtocol};
}

PlatformBackend::~PlatformBackend() = default;

QString PlatformBackend::buildGnomeShell(PrimarySelection *&primarySelection)
{
    // GNOME gives programs none of these; Quillbox's Shell extension does, to Quillbox alone.
    m_gnomeShell = std::make_unique<GnomeShell>();
    m_workspace = std::make_unique<GnomeWorkspace>(*m_gnomeShell);
    auto pasteboard = std::make_unique<GnomePasteboard>(*m_gnomeShell);
    primarySelection = pasteboard.get();
    m_pasteboard = std::move(pasteboard);
    m_hotkeyGrabber = std::make_unique<GnomeHotkeyGrabber>(*m_gnomeShell);
    m_keySynthesizer = std::make_unique<GnomeKeySynthesizer>(*m_gnomeShell);
    return QStringLiteral("GNOME Shell extension");
}

QString PlatformBackend::buildWayland(PrimarySelection *&primarySelection)
{
    // KWin lists its windows only to its own scripts.
    auto toplevels = std::make_unique<WaylandWorkspace>(*m_wayland);
    if (!toplevels->isAvailable() && KWinWorkspace::isServiceAvailable())
        m_workspace = std::make_unique<KWinWorkspace>();
    else
        m_workspace = std::move(toplevels);
    auto pasteboard = std::make_unique<WaylandPasteboard>();
    pasteboard->setFocusedWindow([workspace = m_workspace.get()] {
        const std::optional<RunningApplication> front = workspace->frontmostApplication();
        return front ? front->windowId : 0;
    });
    primarySelection = pasteboard.get();
    const QString protocol = pasteboard->dataControlProtocol();
    m_pasteboard = std::move(pasteboard);
    // Plasma registers global shortcuts for programs, as does the desktop portal where its backend
    // offers them (Hyprland); elsewhere the desktop binds them.
    if (KGlobalAccelHotkeyGrabber::isServiceAvailable())
        m_hotkeyGrabber = std::make_unique<KGlobalAccelHotkeyGrabber>();
    else if (PortalGlobalShortcutsGrabber::isServiceAvailable())
        m_hotkeyGrabber = std::make_unique<PortalGlobalShortcutsGrabber>();
    // A virtual keyboard of our own where the compositor offers one; Plasma offers its fake-input
    // instead. Without either, the paste falls back to ydotool.
    auto virtualKeyboard = std::make_unique<VirtualKeyboardKeySynthesizer>(*m_wayland);
    if (!virtualKeyboard->isAvailable()) {
        if (auto kwin = std::make_unique<KWinFakeInputKeySynthesizer>(*m_wayland); kwin->isAvailable())
            m_keySynthesizer = std::move(kwin);
    }
    if (!m_keySynthesizer)
        m_keySynthesizer = std::move(virtualKeyboard);
    return protocol;
}
