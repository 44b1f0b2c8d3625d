#include "NotificationCenter.h"

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

void NotificationCenter::post(const QString &name)
{
    m_observers.removeIf([](const Observer &observer) { return observer.context.isNull(); });
    for (const Observer &observer : std::as_const(m_observers)) {
        if (observer.name == name)
            QMetaObject::invokeMethod(observer.context.data(), observer.handler, Qt::QueuedConnection);
    }
}

void NotificationCenter::observe(const QString &name, QObject *context, std::function<void()> handler)
{
    m_observers.append({name, context, std::move(handler)});
}
