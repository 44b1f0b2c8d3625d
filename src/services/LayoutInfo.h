#pragma once

#include <QString>

/// One enabled keyboard layout. Two layouts are the same when their ids are; the name is for display.
struct LayoutInfo {
    /// The layout with its variant as the X server's rules name it: "us", "ru", "de(nodeadkeys)".
    QString id;
    /// The layout's display name, e.g. "English (US)".
    QString name;

    friend bool operator==(const LayoutInfo &a, const LayoutInfo &b) { return a.id == b.id; }
};
