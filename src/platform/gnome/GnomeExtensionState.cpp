#include "GnomeExtensionState.h"

#include "GnomeShell.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStandardPaths>

namespace {

// org.gnome.Shell.Extensions' states (ExtensionState in the Shell's extensionUtils).
constexpr int enabledState = 1;
constexpr int disabledState = 2;
constexpr int errorState = 3;
constexpr int outOfDateState = 4;
constexpr int initializedState = 6;
constexpr int uninstalledState = 99;

} // namespace

GnomeExtensionState::State GnomeExtensionState::classify(bool serving, const QVariantMap &info, bool installed)
{
    if (serving)
        return State::serving;
    if (info.isEmpty())
        return installed ? State::installedThisSession : State::notInstalled;
    switch (info.value(QStringLiteral("state")).toInt()) {
    case disabledState:
    case initializedState:
        return State::disabled;
    case enabledState:
    case errorState:
    case outOfDateState:
        return State::failed;
    case uninstalledState:
        return State::notInstalled;
    default:
        // Being switched on or off right now: as good as off.
        return State::disabled;
    }
}

GnomeExtensionState::State GnomeExtensionState::probe(int timeoutMs)
{
    // A connection of its own: the application object, which the session bus wants, comes later.
    const QString connectionName = QStringLiteral("quillbox-gnome-probe");
    State state = State::notInstalled;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
        if (bus.isConnected()) {
            QDBusMessage hasOwner = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
                QStringLiteral("NameHasOwner"));
            hasOwner << GnomeShell::serviceName;
            const QDBusMessage owned = bus.call(hasOwner, QDBus::Block, timeoutMs);
            const bool serving = owned.type() == QDBusMessage::ReplyMessage && owned.arguments().value(0).toBool();
            QVariantMap info;
            if (!serving) {
                QDBusMessage getInfo = QDBusMessage::createMethodCall(QStringLiteral("org.gnome.Shell.Extensions"),
                    QStringLiteral("/org/gnome/Shell/Extensions"), QStringLiteral("org.gnome.Shell.Extensions"),
                    QStringLiteral("GetExtensionInfo"));
                getInfo << uuid;
                const QDBusMessage answer = bus.call(getInfo, QDBus::Block, timeoutMs);
                if (answer.type() == QDBusMessage::ReplyMessage)
                    info = qdbus_cast<QVariantMap>(answer.arguments().value(0));
            }
            const bool installed = !QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                QStringLiteral("gnome-shell/extensions/") + uuid, QStandardPaths::LocateDirectory)
                                        .isEmpty();
            state = classify(serving, info, installed);
        }
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return state;
}
