#include "SingleInstance.h"

#include "services/ConsoleLog.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QLoggingCategory>
#include <QTimer>

#include <climits>
#include <cstdio>

#include <dbus/dbus.h>

Q_LOGGING_CATEGORY(lcInstance, "quillbox.instance", QtInfoMsg)

namespace {

const QString serviceName = QStringLiteral("io.quillbox.Quillbox");
const QString objectPath = QStringLiteral("/io/quillbox/Quillbox");
constexpr int toggleTimeoutMs = 2000;
// An activated start builds the whole program before it answers.
constexpr int activationTimeoutMs = 20000;
// A bus that restarts is back within seconds; one that is gone ends the session anyway.
constexpr int reconnectIntervalMs = 1000;
constexpr int maxReconnectAttempts = 10;

} // namespace

SingleInstance::SingleInstance(QObject &commands, QObject *parent)
    : QObject(parent)
    , m_commands(commands)
{
}

SingleInstance::Role SingleInstance::claim(bool preferActivation)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Role::noBus;
    QDBusConnectionInterface *daemon = bus.interface();
    if (preferActivation && !daemon->isServiceRegistered(serviceName)
        && daemon->activatableServiceNames().value().contains(serviceName)) {
        QDBusMessage toggle
            = QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, QStringLiteral("Toggle"));
        toggle.setAutoStartService(true);
        if (bus.call(toggle, QDBus::Block, activationTimeoutMs).type() == QDBusMessage::ReplyMessage)
            return Role::secondary;
        // The service did not come up: this process serves instead.
    }
    if (serve())
        return Role::primary;
    // A live instance answers at once; a hung one would otherwise hold this start for D-Bus's 25 s.
    const QDBusMessage answer
        = bus.call(QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, QStringLiteral("Toggle")),
            QDBus::Block, toggleTimeoutMs);
    return answer.type() == QDBusMessage::ReplyMessage ? Role::secondary : Role::unanswered;
}

bool SingleInstance::serve()
{
    if (!m_connectionName.isEmpty())
        QDBusConnection::disconnectFromBus(m_connectionName);
    m_connectionName = QStringLiteral("io.quillbox.Quillbox.service-%1").arg(++m_connections);
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName);
    if (!bus.isConnected())
        return false;
    // libdbus pauses reading once the messages it has handed over but not yet seen freed reach its
    // bound (63 MiB, 4096 descriptors), and resumes from the thread that frees the last of them: here
    // the GUI thread, from which Qt 6.4 refuses to switch the connection's socket notifier back on,
    // so the connection would never read again. Without the pause a flood costs memory, not the bus.
    auto *connection = static_cast<DBusConnection *>(bus.internalPointer());
    dbus_connection_set_max_received_size(connection, LONG_MAX);
    dbus_connection_set_max_received_unix_fds(connection, LONG_MAX);
    bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"), QStringLiteral("org.freedesktop.DBus.Local"),
        QStringLiteral("Disconnected"), this, SLOT(disconnected()));
    bus.registerObject(objectPath, &m_commands,
        QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals
            | QDBusConnection::ExportScriptableProperties);
    const auto reply = bus.interface()->registerService(
        serviceName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return true;
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_connectionName.clear();
    return false;
}

void SingleInstance::disconnected()
{
    qCWarning(lcInstance) << "the session bus dropped the connection that serves" << serviceName;
    m_reconnectAttempts = 0;
    reconnect();
}

void SingleInstance::reconnect()
{
    if (serve()) {
        printLine(QStringLiteral("[Quillbox] Connected to the session bus again, as %1").arg(serviceName));
        return;
    }
    if (++m_reconnectAttempts < maxReconnectAttempts) {
        QTimer::singleShot(reconnectIntervalMs, this, &SingleInstance::reconnect);
        return;
    }
    std::fprintf(
        stderr, "[Quillbox] Lost the session bus and cannot claim %s on it again: quitting\n", qPrintable(serviceName));
    emit lost();
}

void SingleInstance::release()
{
    if (m_connectionName.isEmpty())
        return;
    QDBusConnection bus(m_connectionName);
    QCoreApplication::sendPostedEvents(&m_commands, QEvent::MetaCall);
    // Calls routed here before the name went come in ahead of the answer to giving it up.
    bus.interface()->unregisterService(serviceName);
    QCoreApplication::sendPostedEvents(&m_commands, QEvent::MetaCall);
    bus.unregisterObject(objectPath);
    QDBusConnection::disconnectFromBus(m_connectionName);
    m_connectionName.clear();
}
