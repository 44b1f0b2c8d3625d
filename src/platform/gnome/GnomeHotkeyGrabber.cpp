#include "GnomeHotkeyGrabber.h"

#include "GnomeShell.h"
#include "services/HotkeyBindingInstructions.h"
#include "services/KeyCombo.h"
#include "services/KeyPositions.h"

#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcHotkeys, "quillbox.hotkeys", QtInfoMsg)

} // namespace

GnomeHotkeyGrabber::GnomeHotkeyGrabber(GnomeShell &shell, QObject *parent)
    : HotkeyGrabber(parent)
    , m_shell(shell)
{
    connect(&shell, &GnomeShell::shortcutPressed, this, [this](const QString &name) {
        for (auto held = m_accelerators.cbegin(); held != m_accelerators.cend(); ++held) {
            if (shortcutName(held.key()) == name)
                emit pressed(held.key());
        }
    });
    connect(&shell, &GnomeShell::stateChanged, this, [this](GnomeShell::State state) {
        if (state == GnomeShell::State::registered) {
            for (auto held = m_accelerators.cbegin(); held != m_accelerators.cend(); ++held)
                bind(held.key());
        } else if (state == GnomeShell::State::refused) {
            for (auto waiting = m_unanswered.cbegin(); waiting != m_unanswered.cend(); ++waiting) {
                m_accelerators.remove(waiting.key());
                emit grabAnswered(waiting.key(), GrabResult::unavailable);
            }
            m_unanswered.clear();
        }
    });
}

QString GnomeHotkeyGrabber::shortcutName(std::uint32_t id)
{
    switch (id) {
    case 1:
        return QStringLiteral("show-panel");
    case 2:
        return QStringLiteral("fix-layout");
    default:
        return {};
    }
}

HotkeyGrabber::GrabResult GnomeHotkeyGrabber::grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers)
{
    const std::optional<int> position = KeyPositions::keyCode(int(keycode) - KeyPositions::xKeycodeOffset);
    const KeyCombo combo{position ? std::uint32_t(*position) : 0, modifiers & KeyCombo::modifierMask};
    if (!position || combo.keysText().isEmpty())
        return GrabResult::noSuchKey;
    if (m_shell.state() == GnomeShell::State::refused)
        return GrabResult::unavailable; // no answer would ever come
    const QString accelerator = HotkeyBindingInstructions::gnomeAccelerator(combo);
    m_unanswered.insert(id, ++m_nextRequest);
    if (shortcutName(id).isEmpty()) {
        askAvailable(id, accelerator);
        return GrabResult::pending;
    }
    m_accelerators.insert(id, accelerator);
    // Until the extension takes this program as its client, the registration binds it.
    if (m_shell.isRegistered())
        bind(id);
    return GrabResult::pending;
}

void GnomeHotkeyGrabber::bind(std::uint32_t id)
{
    const quint64 request = m_unanswered.value(id);
    m_shell.call(QStringLiteral("SetShortcut"), {shortcutName(id), m_accelerators.value(id)}, this,
        [this, id, request](const QDBusMessage &reply) {
            const bool answered = reply.type() == QDBusMessage::ReplyMessage;
            const bool bound = answered && reply.arguments().value(0).toBool();
            const quint64 newest = m_unanswered.value(id);
            if (!m_accelerators.contains(id) || (newest != 0 && newest != request))
                return; // ungrabbed or asked again since
            // A binding written again after a new registration is told only when refused.
            if (newest == 0 && bound)
                return;
            if (!answered)
                qCWarning(lcHotkeys) << "GNOME Shell did not bind" << shortcutName(id) << reply.errorMessage();
            m_unanswered.remove(id);
            if (!bound)
                m_accelerators.remove(id);
            emit grabAnswered(id, bound ? GrabResult::ok : answered ? GrabResult::taken : GrabResult::unavailable);
        });
}

void GnomeHotkeyGrabber::askAvailable(std::uint32_t id, const QString &accelerator)
{
    const quint64 request = m_unanswered.value(id);
    m_shell.call(QStringLiteral("ShortcutAvailable"), {accelerator}, this,
        [this, id, request, accelerator](const QDBusMessage &reply) {
            if (m_unanswered.value(id) != request)
                return; // ungrabbed or asked again since
            m_unanswered.remove(id);
            const bool answered = reply.type() == QDBusMessage::ReplyMessage;
            if (!answered)
                qCWarning(lcHotkeys) << "GNOME Shell did not say whether it would bind" << accelerator
                                     << reply.errorMessage();
            emit grabAnswered(id,
                !answered                                 ? GrabResult::unavailable
                    : reply.arguments().value(0).toBool() ? GrabResult::ok
                                                          : GrabResult::taken);
        });
}

void GnomeHotkeyGrabber::ungrab(std::uint32_t id)
{
    m_unanswered.remove(id);
    if (m_accelerators.remove(id) > 0 && m_shell.isRegistered())
        m_shell.call(QStringLiteral("SetShortcut"), {shortcutName(id), QString()}, this, [](const QDBusMessage &) {});
}
