#include "SessionBusName.h"

#include <QDBusConnection>
#include <QDBusMessage>

bool sessionBusHasOwner(const QString &name, int timeoutMs)
{
    QDBusMessage hasOwner = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("/org/freedesktop/DBus"), QStringLiteral("org.freedesktop.DBus"),
        QStringLiteral("NameHasOwner"));
    hasOwner << name;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(hasOwner, QDBus::Block, timeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}
