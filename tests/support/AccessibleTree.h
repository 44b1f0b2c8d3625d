#pragma once

#include <QList>
#include <QString>
#include <QStringList>

/// An application's accessible objects as a screen reader reads them through AT-SPI (atspi-probe.py),
/// in tree order.
struct AccessibleTree {
    struct Node {
        int depth = 0;
        QString role; ///< AT-SPI's role name: "push button", "list item", "page tab"
        QString name;
        QString description;
        QStringList states; ///< of focused, selected, checked, focusable, active, editable, showing
    };
    QList<Node> nodes;

    /// The tree of `application` (its AT-SPI name) now; empty when the accessibility bus does not list it.
    static AccessibleTree of(const QString &application);
    /// The objects with `role`, in tree order.
    QList<Node> withRole(const QString &role) const;
    /// The subtree of the first frame (window) named `title`.
    AccessibleTree window(const QString &title) const;
    /// The objects on screen a person acts on (buttons, check boxes, tabs, text fields, ...) without a name.
    QStringList unnamedControls() const;

    /// The probe, for event listening: `python3 <probe> events`.
    static QString probe();
};
