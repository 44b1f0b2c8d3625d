#include "KGlobalAccelHotkeyGrabber.h"

#include "SessionBusName.h"
#include "services/KeyCombo.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcKGlobalAccel, "quillbox.hotkeys", QtInfoMsg)

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString component = QStringLiteral("io.quillbox.Quillbox");
// kglobalaccel's flag for "this is the shortcut in use now" (as opposed to the default).
constexpr uint setPresent = 2;

// kglobalaccel stores shortcuts as Qt key codes: modifiers or'ed with the key.
std::optional<int> qtKey(std::uint32_t keycode, std::uint32_t modifiers)
{
    const std::optional<QChar> character = KeyCombo::characterOfXKeycode(keycode);
    if (!character)
        return std::nullopt;
    int key = character->toUpper().unicode();
    if (modifiers & KeyCombo::cmdKey)
        key |= Qt::META;
    if (modifiers & KeyCombo::shiftKey)
        key |= Qt::SHIFT;
    if (modifiers & KeyCombo::optionKey)
        key |= Qt::ALT;
    if (modifiers & KeyCombo::controlKey)
        key |= Qt::CTRL;
    return key;
}

} // namespace

KGlobalAccelHotkeyGrabber::KGlobalAccelHotkeyGrabber(int replyTimeoutMs, QObject *parent)
    : HotkeyGrabber(parent)
    , m_replyTimeoutMs(replyTimeoutMs)
{
}

bool KGlobalAccelHotkeyGrabber::isServiceAvailable()
{
    return sessionBusHasOwner(service);
}

QStringList KGlobalAccelHotkeyGrabber::actionId(std::uint32_t id) const
{
    // Component and action, each by its unique and its shown name.
    const QString action = QStringLiteral("hotkey-%1").arg(id);
    return {component, action, QStringLiteral("Quillbox"),
        id == 1 ? QStringLiteral("Show the clipboard history") : QStringLiteral("Fix the keyboard layout")};
}

QDBusMessage KGlobalAccelHotkeyGrabber::call(const QString &method) const
{
    return QDBusMessage::createMethodCall(
        service, QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"), method);
}

HotkeyGrabber::GrabResult KGlobalAccelHotkeyGrabber::grab(
    std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers)
{
    const auto key = qtKey(keycode, modifiers);
    if (!key)
        return GrabResult::noSuchKey;
    const QStringList action = actionId(id);
    m_actions.remove(action.at(1));
    // One connection delivers its calls in order, so the action exists before its shortcut is set.
    QDBusConnection bus = QDBusConnection::sessionBus();
    QDBusMessage doRegister = call(QStringLiteral("doRegister"));
    doRegister << action;
    bus.asyncCall(doRegister, m_replyTimeoutMs);
    QDBusMessage setShortcut = call(QStringLiteral("setShortcut"));
    setShortcut << action << QVariant::fromValue(QList<int>{*key}) << setPresent;
    const quint64 request = ++m_nextRequest;
    m_requests.insert(id, request);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(setShortcut, m_replyTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
        [this, id, request, key = *key](QDBusPendingCallWatcher *finished) {
            finished->deleteLater();
            noteAssigned(id, request, key, *finished);
        });
    return GrabResult::pending;
}

void KGlobalAccelHotkeyGrabber::noteAssigned(
    std::uint32_t id, quint64 request, int key, const QDBusPendingReply<QList<int>> &assigned)
{
    if (m_requests.value(id) != request)
        return; // ungrabbed or asked again since
    m_requests.remove(id);
    if (assigned.isError()) {
        qCWarning(lcKGlobalAccel) << "kglobalaccel did not take the shortcut:" << assigned.error().message();
        emit grabAnswered(id, GrabResult::unavailable);
        return;
    }
    // The keys it really assigned: none when another program holds the combination.
    if (assigned.value() != QList<int>{key}) {
        emit grabAnswered(id, GrabResult::taken);
        return;
    }
    m_actions.insert(actionId(id).at(1), id);
    listen();
    emit grabAnswered(id, GrabResult::ok);
}

void KGlobalAccelHotkeyGrabber::listen()
{
    if (std::exchange(m_listening, true))
        return;
    QDBusMessage getComponent = call(QStringLiteral("getComponent"));
    getComponent << component;
    auto *watcher
        = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(getComponent, m_replyTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<QDBusObjectPath> path = *finished;
        m_listening = path.isValid()
            && QDBusConnection::sessionBus().connect(service, path.value().path(),
                QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("globalShortcutPressed"), this,
                SLOT(notePressed(QString, QString, qlonglong)));
        if (!m_listening)
            qCWarning(lcKGlobalAccel) << "kglobalaccel did not name Quillbox's component:" << path.error().message();
    });
}

void KGlobalAccelHotkeyGrabber::ungrab(std::uint32_t id)
{
    const QStringList action = actionId(id);
    const bool asked = m_requests.remove(id) > 0;
    if (!m_actions.remove(action.at(1)) && !asked)
        return;
    QDBusMessage setInactive = call(QStringLiteral("setInactive"));
    setInactive << action;
    QDBusConnection::sessionBus().asyncCall(setInactive, m_replyTimeoutMs);
}

void KGlobalAccelHotkeyGrabber::notePressed(const QString &pressedComponent, const QString &action, qlonglong)
{
    if (pressedComponent == component && m_actions.contains(action))
        emit pressed(m_actions.value(action));
}
