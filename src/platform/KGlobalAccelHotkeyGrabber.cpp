#include "KGlobalAccelHotkeyGrabber.h"

#include "services/KeyCombo.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QLoggingCategory>

namespace {

Q_LOGGING_CATEGORY(lcKGlobalAccel, "quillbox.hotkeys", QtInfoMsg)

const QString service = QStringLiteral("org.kde.kglobalaccel");
const QString component = QStringLiteral("io.quillbox.Quillbox");
// kglobalaccel's flag for "this is the shortcut in use now" (as opposed to the default).
constexpr uint setPresent = 2;

QDBusInterface kglobalaccel()
{
    return QDBusInterface(service, QStringLiteral("/kglobalaccel"), QStringLiteral("org.kde.KGlobalAccel"),
        QDBusConnection::sessionBus());
}

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

KGlobalAccelHotkeyGrabber::KGlobalAccelHotkeyGrabber(QObject *parent)
    : QObject(parent)
{
}

bool KGlobalAccelHotkeyGrabber::isServiceAvailable()
{
    const QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(service);
}

QStringList KGlobalAccelHotkeyGrabber::actionId(std::uint32_t id) const
{
    // Component and action, each by its unique and its shown name.
    const QString action = QStringLiteral("hotkey-%1").arg(id);
    return {component, action, QStringLiteral("Quillbox"),
        id == 1 ? QStringLiteral("Show the clipboard history") : QStringLiteral("Fix the keyboard layout")};
}

int KGlobalAccelHotkeyGrabber::grab(std::uint32_t id, std::uint32_t keycode, std::uint32_t modifiers)
{
    const auto key = qtKey(keycode, modifiers);
    if (!key)
        return badValue;
    if (!isServiceAvailable())
        return unavailable;
    QDBusInterface accel = kglobalaccel();
    const QStringList action = actionId(id);
    accel.call(QStringLiteral("doRegister"), action);
    const QDBusReply<QList<int>> assigned
        = accel.call(QStringLiteral("setShortcut"), action, QVariant::fromValue(QList<int>{*key}), setPresent);
    if (!assigned.isValid()) {
        qCWarning(lcKGlobalAccel) << "kglobalaccel refused the shortcut:" << assigned.error().message();
        return unavailable;
    }
    // The keys it really assigned: none when another program holds the combination.
    if (assigned.value() != QList<int>{*key})
        return taken;
    if (!m_listening) {
        const QDBusReply<QDBusObjectPath> path = accel.call(QStringLiteral("getComponent"), component);
        m_listening = path.isValid()
            && QDBusConnection::sessionBus().connect(service, path.value().path(),
                QStringLiteral("org.kde.kglobalaccel.Component"), QStringLiteral("globalShortcutPressed"), this,
                SLOT(notePressed(QString, QString, qlonglong)));
    }
    m_actions.insert(action.at(1), id);
    return success;
}

void KGlobalAccelHotkeyGrabber::ungrab(std::uint32_t id)
{
    const QStringList action = actionId(id);
    if (!m_actions.remove(action.at(1)))
        return;
    QDBusInterface accel = kglobalaccel();
    accel.call(QStringLiteral("setInactive"), action);
}

void KGlobalAccelHotkeyGrabber::notePressed(const QString &pressedComponent, const QString &action, qlonglong)
{
    if (pressedComponent == component && m_actions.contains(action))
        notifyPressed(m_actions.value(action));
}
