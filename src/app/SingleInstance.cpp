#include "SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

const QString serviceName = QStringLiteral("io.quillbox.Quillbox");
const QString objectPath = QStringLiteral("/io/quillbox/Quillbox");
constexpr int toggleTimeoutMs = 2000;
// An activated start builds the whole program before it answers.
constexpr int activationTimeoutMs = 20000;

} // namespace

SingleInstance::Role SingleInstance::claim(QObject &commands, bool preferActivation)
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
    bus.registerObject(objectPath, &commands, QDBusConnection::ExportScriptableSlots);
    const auto reply = daemon->registerService(
        serviceName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Role::primary;
    bus.unregisterObject(objectPath);
    // A live instance answers at once; a hung one would otherwise hold this start for D-Bus's 25 s.
    const QDBusMessage answer
        = bus.call(QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, QStringLiteral("Toggle")),
            QDBus::Block, toggleTimeoutMs);
    return answer.type() == QDBusMessage::ReplyMessage ? Role::secondary : Role::unanswered;
}
