#include "PlatformBackend.h"

#include "capture/Pasteboard.h"
#include "capture/Workspace.h"
#include "platform/CanberraSoundPlayer.h"
#include "platform/FreedesktopNotifier.h"
#include "platform/JournalSystemLog.h"
#include "platform/KGlobalAccelHotkeyGrabber.h"
#include "platform/XdgAutostartEntry.h"
#include "platform/XdotoolScriptRunner.h"
#include "platform/wayland/WaylandPasteboard.h"
#include "platform/wayland/WaylandWorkspace.h"
#include "platform/wayland/WtypeKeySynthesizer.h"
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

PlatformBackend::PlatformBackend(BackendChoice::Backend backend)
    : m_systemLog(std::make_unique<JournalSystemLog>())
    , m_soundPlayer(std::make_unique<CanberraSoundPlayer>())
    , m_notifier(std::make_unique<FreedesktopNotifier>())
    , m_loginItem(std::make_unique<XdgAutostartEntry>(QCoreApplication::applicationFilePath()))
{
    PrimarySelection *primarySelection = nullptr;
    if (backend == BackendChoice::Backend::wayland) {
        auto pasteboard = std::make_unique<WaylandPasteboard>();
        primarySelection = pasteboard.get();
        m_pasteboard = std::move(pasteboard);
        m_workspace = std::make_unique<WaylandWorkspace>();
        // Plasma registers global shortcuts for programs; elsewhere the desktop binds them.
        if (KGlobalAccelHotkeyGrabber::isServiceAvailable())
            m_hotkeyGrabber = std::make_unique<KGlobalAccelHotkeyGrabber>();
        m_keySynthesizer = std::make_unique<WtypeKeySynthesizer>();
        // Compositor-independent layouts are not known without a keyboard focus; the wrong-layout
        // fix needs its hotkey, which the desktop binds here.
        m_keyboardLayouts = std::make_unique<XkbKeyboardLayouts>();
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
        m_loginItem.get()};
}

PlatformBackend::~PlatformBackend() = default;
