#pragma once

#include "WlrootsBed.h"

/// Headless sway: its windows carry the rectangles of sway's layout tree (swaymsg -t get_tree), and
/// layouts are set for every keyboard as sway's configuration does (input type:keyboard xkb_layout).
class SwayBed : public WlrootsBed {
public:
    QString name() const override { return QStringLiteral("sway"); }
    QList<Window> windows() override;
    bool setLayouts(const QStringList &layouts) override;
};
