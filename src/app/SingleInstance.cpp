#include "SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace {

const QString serviceName = QStringLiteral("io.quillbox.Quillbox");
const QString objectPath = QStringLiteral("/io/quillbox/Quillbox");
constexpr int toggleTimeoutMs = 2000;

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
    // A live instance answers at once; a hung one would otherwise hold this start for D-Bus's 25 s.
    const QDBusMessage answer
        = bus.call(QDBusMessage::createMethodCall(serviceName, objectPath, serviceName, QStringLiteral("Toggle")),
            QDBus::Block, toggleTimeoutMs);
    return answer.type() == QDBusMessage::ReplyMessage ? Role::secondary : Role::unanswered;
}

void SingleInstance::Toggle()
{
    emit toggleRequested();
}
