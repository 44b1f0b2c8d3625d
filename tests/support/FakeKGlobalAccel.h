#pragma once

#include "FakeKGlobalAccelComponent.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QTimer>

/// kglobalaccel as far as Quillbox uses it, to be served from a BusServiceThread: `taken` is a key
/// another program holds; `replies` plays a service that answers at once, late or never.
class FakeKGlobalAccel : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.KGlobalAccel")
public:
    enum class Replies { atOnce, late, never };

    /// Exports the service and its component on `bus` under kglobalaccel's name.
    bool serveOn(QDBusConnection bus)
    {
        bus.registerObject("/kglobalaccel", this, QDBusConnection::ExportAllSlots);
        bus.registerObject("/component/io_quillbox_Quillbox", &component, QDBusConnection::ExportAllSignals);
        return bus.registerService("org.kde.kglobalaccel");
    }

    QStringList inactive;
    int taken = 0;
    Replies replies = Replies::atOnce;
    int lateMs = 300;
    FakeKGlobalAccelComponent component;

public slots:
    void doRegister(const QStringList &)
    {
        answer({});
    }
    QList<int> setShortcut(const QStringList &, const QList<int> &keys, uint flags)
    {
        const QList<int> assigned = flags != 2 || keys.contains(taken) ? QList<int>{} : keys;
        answer(QVariant::fromValue(assigned));
        return assigned;
    }
    QDBusObjectPath getComponent(const QString &componentUnique)
    {
        const QDBusObjectPath path("/component/" + QString(componentUnique).replace('.', '_'));
        answer(QVariant::fromValue(path));
        return path;
    }
    void setInactive(const QStringList &actionId)
    {
        inactive = actionId;
        answer({});
    }

private:
    // Replies later, or never, instead of with the slot's return value.
    void answer(const QVariant &value)
    {
        if (replies == Replies::atOnce)
            return;
        setDelayedReply(true);
        if (replies == Replies::never)
            return;
        QDBusMessage reply = message().createReply();
        if (value.isValid())
            reply << value;
        QTimer::singleShot(lateMs, this, [bus = connection(), reply] { bus.send(reply); });
    }
};
