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
