#pragma once

#include <QRect>
#include <QSize>

class QScreen;

/// How large a window may be on a screen. A desktop scaled 1.5× or 2× leaves fewer logical pixels than
/// the views are drawn for (a 1920 × 1080 screen at 2× is 960 × 540), so a window shrinks to the screen's
/// free area and its content scrolls, rather than running off the screen's edge.
class ScreenFit {
public:
    /// Kept clear around a window that had to shrink, so it stays off the screen's edges and bars.
    static constexpr int margin = 16;
    /// No window gets smaller than this, whatever the screen: below it the views cannot be laid out.
    static constexpr QSize least{320, 240};

    /// `wanted`, shrunk where the free area `available` (less the margin) is smaller.
    static QSize size(QSize wanted, const QRect &available);
    /// The same on `screen`'s free area; `wanted` unchanged without a screen.
    static QSize size(QSize wanted, const QScreen *screen);
    /// The frame of a window of `size` fitted to `available` and centred in it.
    static QRect centred(QSize wanted, const QRect &available);
};
