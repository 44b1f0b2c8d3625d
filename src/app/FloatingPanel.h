#pragma once

#include "BackendChoice.h"
#include "MovableQuickView.h"

#include <QList>
#include <QPoint>
#include <QRect>

#include <optional>

class QKeyEvent;

/// The history panel's window: frameless, translucent, above other windows, without a taskbar entry,
/// 680 × 640, or less where a scaled desktop leaves less room. It hides on an Esc nobody handled and when the
/// application loses activation, and it lives until the program ends. Its content draws the only visible surface.
class FloatingPanel : public MovableQuickView {
    Q_OBJECT

public:
    static constexpr QSize contentSize{680, 640};

    explicit FloatingPanel(BackendChoice::Backend backend, QQmlEngine *engine = nullptr);

    /// One screen: the whole of it, and the part not taken by docks and bars.
    struct ScreenArea {
        QRect geometry;
        QRect availableGeometry;
    };
    /// The frame of the panel in the usable part of the screen holding `pointer`, or of the first
    /// screen when none holds it: centred, and shrunk where that part is smaller than `size`; nothing
    /// without screens.
    static std::optional<QRect> placement(const QList<ScreenArea> &screens, QPoint pointer, QSize size);
    /// Places the panel on the screen the pointer is on (the primary screen if the pointer is on
    /// none): where the user is looking on a desktop of several monitors.
    void centreOnPointerScreen();

signals:
    /// Every key press, before the focused item sees it; a receiver that accepts `event` consumes it.
    void keyPressed(QKeyEvent *event);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    /// Whether `item` is inside a menu or dialog (a Qt Quick popup), which only exists while open.
    static bool isInOpenPopup(const QQuickItem *item);
};
