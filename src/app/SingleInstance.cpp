#include "SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

const QString serviceName = QStringLiteral("io.quillbox.Quillbox");
const QString objectPath = QStringLiteral("/io/quillbox/Quillbox");

} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
}

SingleInstance::Role SingleInstance::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Role::noBus;
    bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots);
    const auto reply = bus.interface()->registerService(
        serviceName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Role::primary;
    bus.unregisterObject(objectPath);
    bus.call(QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, QStringLiteral("Toggle")));
    return Role::secondary;
}

void SingleInstance::Toggle()
{
    emit toggleRequested();
}
