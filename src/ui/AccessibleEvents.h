#pragma once

#include <QObject>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

/// Tells assistive technologies what QML alone cannot: Qt Quick 6.4 carries no focus or alert event to
/// AT-SPI for an item that is not the keyboard's focus item (bound `Accessible.focused` and state
/// changes stay silent), so the panel reports the row the selection moved to from here, while the key
/// focus stays in the search field.
class AccessibleEvents : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON

public:
    using QObject::QObject;

    /// `item` is now the focused object, as a screen reader should announce it.
    Q_INVOKABLE static void reportFocus(QQuickItem *item);
    /// `item` shows a notice a screen reader should speak at once.
    Q_INVOKABLE static void reportAlert(QQuickItem *item);
    /// `text` about `item`, said politely, after what is being said. Qt offers announcements from 6.8 on;
    /// before, this does nothing and the item's description carries the text.
    Q_INVOKABLE static void announce(QQuickItem *item, const QString &text);
};
