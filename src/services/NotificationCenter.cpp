#include "NotificationCenter.h"

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::post(const QString &name)
{
    m_observers.removeIf([](const Observer &observer) { return observer.context.isNull(); });
    // A copy: an immediate handler may add observers.
    const QList<Observer> observers = m_observers;
    for (const Observer &observer : observers) {
        if (observer.name != name || !observer.context)
            continue;
        if (observer.delivery == Delivery::immediate)
            observer.handler();
        else
            QMetaObject::invokeMethod(observer.context.data(), observer.handler, Qt::QueuedConnection);
    }
}

void NotificationCenter::observe(
    const QString &name, QObject *context, std::function<void()> handler, Delivery delivery)
{
    m_observers.append({name, context, std::move(handler), delivery});
}
