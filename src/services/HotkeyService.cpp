#include "HotkeyService.h"

#include "ConsoleLog.h"
#include "KeyPositions.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <utility>

namespace {

HotkeyService *sharedService = nullptr;

// Far above the ids in use; never dispatched, as it is held only until the probe is answered.
constexpr std::uint32_t scratchId = 0xFFFF'FFFF;

QString idText(std::uint32_t id)
{
    return QString::number(id);
}

// The failure line's number: X's error codes for the refusals it names (BadAccess, BadValue), as the
// log has always carried them, and -1 where no desktop service answered.
int statusNumber(HotkeyGrabber::GrabResult result)
{
    switch (result) {
    case HotkeyGrabber::GrabResult::taken:
        return 10;
    case HotkeyGrabber::GrabResult::noSuchKey:
        return 2;
    case HotkeyGrabber::GrabResult::unavailable:
        return -1;
    case HotkeyGrabber::GrabResult::ok:
    case HotkeyGrabber::GrabResult::pending:
        break;
    }
    return 0;
}

} // namespace

HotkeyService::HotkeyService(HotkeyGrabber &grabber)
    : m_grabber(grabber)
{
    sharedService = this;
    // The press arrives inside Qt's native event processing; the action may show windows or grab the
    // keyboard itself, so it runs later, from the event loop. Looking the handler up only then lets a
    // press that raced an unregister() find nothing instead of a stale action.
    connect(&m_grabber, &HotkeyGrabber::pressed, this, [](quint32 id) {
        if (auto *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [id] { dispatch(id); }, Qt::QueuedConnection);
    });
    connect(&m_grabber, &HotkeyGrabber::grabAnswered, this, &HotkeyService::noteAnswer);
    printLine(QStringLiteral("[HotkeyService] X11 handler installed"));
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
    switch (const GrabResult result = grab(id, combo)) {
    case GrabResult::ok:
        hold(id, combo);
        break;
    case GrabResult::pending:
        m_awaiting[id] = combo;
        break;
    default:
        reportFailure(id, result);
    }
}

void HotkeyService::hold(std::uint32_t id, const KeyCombo &combo)
{
    m_hotKeyRefs[id] = KeyCombo{combo.keyCode, combo.modifiers & KeyCombo::modifierMask};
    // Checked and kept, but held only from resumeGrabs() on.
    if (m_isSuspended)
        m_grabber.ungrab(id);
    printLine(QStringLiteral("[HotkeyService] Registered hotkey id=") + idText(id) + QStringLiteral(" combo=")
        + combo.displayString());
}

void HotkeyService::reportFailure(std::uint32_t id, GrabResult result)
{
    printLine(QStringLiteral("[HotkeyService] Failed to register hotkey id=") + idText(id) + QStringLiteral(": ")
        + QString::number(statusNumber(result)));
    m_handlers.erase(id);
}

void HotkeyService::noteAnswer(quint32 id, HotkeyGrabber::GrabResult result)
{
    if (id == scratchId) {
        if (result == GrabResult::ok)
            m_grabber.ungrab(scratchId);
        const ProbeAnswer answer = std::exchange(m_probeAnswer, {});
        if (answer && std::exchange(m_probeContext, nullptr))
            answer(result);
        return;
    }
    if (const auto awaiting = m_awaiting.find(id); awaiting != m_awaiting.end()) {
        const KeyCombo combo = awaiting->second;
        m_awaiting.erase(awaiting);
        if (result == GrabResult::ok)
            hold(id, combo);
        else
            reportFailure(id, result);
    } else if (result != GrabResult::ok && m_hotKeyRefs.erase(id)) {
        // Held, or taken back by resumeGrabs(), until the desktop said otherwise.
        reportFailure(id, result);
    }
}

HotkeyService::GrabResult HotkeyService::grab(std::uint32_t id, const KeyCombo &combo)
{
    const auto evdev = KeyPositions::evdevCode(int(combo.keyCode));
    if (!evdev)
        return GrabResult::noSuchKey;
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
        const GrabResult result = grab(it->first, it->second);
        // A later refusal drops it through noteAnswer().
        if (result == GrabResult::ok || result == GrabResult::pending) {
            ++it;
            continue;
        }
        const std::uint32_t id = it->first;
        it = m_hotKeyRefs.erase(it);
        reportFailure(id, result);
    }
}

void HotkeyService::probe(const KeyCombo &combo, QObject *context, ProbeAnswer answer)
{
    // A probe still awaiting its answer is superseded: its scratch grab is replaced below.
    m_probeAnswer = {};
    m_probeContext = nullptr;
    const GrabResult result = grab(scratchId, combo);
    if (result == GrabResult::pending) {
        m_probeContext = context;
        m_probeAnswer = std::move(answer);
        return;
    }
    if (result == GrabResult::ok)
        m_grabber.ungrab(scratchId);
    answer(result);
}

void HotkeyService::unregister(std::uint32_t id)
{
    if (m_awaiting.erase(id)) {
        // Never announced as registered, so no line either.
        m_grabber.ungrab(id);
        m_handlers.erase(id);
        return;
    }
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
    for (const auto &[id, combo] : m_awaiting)
        m_grabber.ungrab(id);
    m_awaiting.clear();
    for (const auto &[id, combo] : m_hotKeyRefs) {
        m_grabber.ungrab(id);
        printLine(QStringLiteral("[HotkeyService] Unregistered hotkey id=") + idText(id));
    }
    m_hotKeyRefs.clear();
    m_handlers.clear();
}
