#include "AccessibleEvents.h"

#include <QAccessible>
#include <QQuickItem>

void AccessibleEvents::reportFocus(QQuickItem *item)
{
    if (!item || !QAccessible::isActive())
        return;
    QAccessibleEvent event(item, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

void AccessibleEvents::reportAlert(QQuickItem *item)
{
    if (!item || !QAccessible::isActive())
        return;
    QAccessibleEvent event(item, QAccessible::Alert);
    QAccessible::updateAccessibility(&event);
}

void AccessibleEvents::announce(QQuickItem *item, const QString &text)
{
    if (!item || !QAccessible::isActive())
        return;
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
    QAccessibleAnnouncementEvent event(item, text);
    event.setPoliteness(QAccessible::AnnouncementPoliteness::Polite);
    QAccessible::updateAccessibility(&event);
#else
    Q_UNUSED(text)
#endif
}
