#include "HotkeyService.h"

#include "ConsoleLog.h"
#include "HotkeyGrabber.h"
#include "KeyPositions.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

namespace {

HotkeyService *sharedService = nullptr;

QString idText(std::uint32_t id)
{
    return QString::number(id);
}

} // namespace

HotkeyService::HotkeyService(HotkeyGrabber &grabber)
    : m_grabber(grabber)
{
    sharedService = this;
    installHandler();
}

HotkeyService::~HotkeyService()
{
    if (sharedService == this)
        sharedService = nullptr;
}

HotkeyService *HotkeyService::shared()
{
    return sharedService;
}

void HotkeyService::installHandler()
{
    if (m_handlerInstalled)
        return;
    m_handlerInstalled = true;
    // The press arrives inside Qt's native event processing; the action may show windows or grab the
    // keyboard itself, so it runs later, from the event loop. Looking the handler up only then lets a
    // press that raced an unregister() find nothing instead of a stale action.
    m_grabber.setPressedCallback([](std::uint32_t id) {
        if (auto *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [id] { dispatch(id); }, Qt::QueuedConnection);
    });
    printLine(QStringLiteral("[HotkeyService] X11 handler installed"));
}

void HotkeyService::dispatch(std::uint32_t id)
{
    if (HotkeyService *service = shared()) {
        if (const auto it = service->m_handlers.find(id); it != service->m_handlers.end()) {
            // A copy: the handler may register or unregister this very id.
            const Handler handler = it->second;
            handler();
            return;
        }
    }
    printLine(QStringLiteral("[HotkeyService] No handler for hotkey id=") + idText(id));
}

void HotkeyService::registerHotkey(std::uint32_t id, std::uint32_t, const KeyCombo &combo, Handler handler)
{
    unregister(id);
    m_handlers[id] = std::move(handler);
    const std::uint32_t modifiers = combo.modifiers & KeyCombo::modifierMask;
    const int status = grab(id, combo);
    if (status == HotkeyGrabber::success) {
        m_hotKeyRefs[id] = KeyCombo{combo.keyCode, modifiers};
        // Checked and kept, but held only from resumeGrabs() on.
        if (m_isSuspended)
            m_grabber.ungrab(id);
        printLine(QStringLiteral("[HotkeyService] Registered hotkey id=") + idText(id) + QStringLiteral(" combo=")
            + combo.displayString());
    } else {
        printLine(QStringLiteral("[HotkeyService] Failed to register hotkey id=") + idText(id) + QStringLiteral(": ")
            + QString::number(status));
        m_handlers.erase(id);
    }
}

int HotkeyService::grab(std::uint32_t id, const KeyCombo &combo)
{
    const auto evdev = KeyPositions::evdevCode(int(combo.keyCode));
    if (!evdev)
        return HotkeyGrabber::badValue;
    return m_grabber.grab(
        id, std::uint32_t(*evdev + KeyPositions::xKeycodeOffset), combo.modifiers & KeyCombo::modifierMask);
}

void HotkeyService::suspendGrabs()
{
    if (std::exchange(m_isSuspended, true))
        return;
    for (const auto &[id, combo] : m_hotKeyRefs)
        m_grabber.ungrab(id);
}

void HotkeyService::resumeGrabs()
{
    if (!std::exchange(m_isSuspended, false))
        return;
    for (auto it = m_hotKeyRefs.begin(); it != m_hotKeyRefs.end();) {
        const int status = grab(it->first, it->second);
        if (status == HotkeyGrabber::success) {
            ++it;
            continue;
        }
        printLine(QStringLiteral("[HotkeyService] Failed to register hotkey id=") + idText(it->first)
            + QStringLiteral(": ") + QString::number(status));
        m_handlers.erase(it->first);
        it = m_hotKeyRefs.erase(it);
    }
}

int HotkeyService::probe(const KeyCombo &combo)
{
    // Far above the ids in use; never dispatched, as it is held only inside this call.
    constexpr std::uint32_t scratchId = 0xFFFF'FFFF;
    const int status = grab(scratchId, combo);
    if (status == HotkeyGrabber::success)
        m_grabber.ungrab(scratchId);
    return status;
}

void HotkeyService::unregister(std::uint32_t id)
{
    const auto it = m_hotKeyRefs.find(id);
    if (it == m_hotKeyRefs.end())
        return;
    m_hotKeyRefs.erase(it);
    m_grabber.ungrab(id);
    m_handlers.erase(id);
    printLine(QStringLiteral("[HotkeyService] Unregistered hotkey id=") + idText(id));
}

void HotkeyService::unregister()
{
    for (const auto &[id, combo] : m_hotKeyRefs) {
        m_grabber.ungrab(id);
        printLine(QStringLiteral("[HotkeyService] Unregistered hotkey id=") + idText(id));
    }
    m_hotKeyRefs.clear();
    m_handlers.clear();
}
