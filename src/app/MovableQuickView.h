#pragma once

#include <QQuickView>

class QMouseEvent;

/// A QML window that moves when its background is dragged (WindowDragArea asks for startMove):
/// the window manager or the compositor moves it, on X11 and Wayland alike.
class MovableQuickView : public QQuickView {
    Q_OBJECT

public:
    explicit MovableQuickView(QQmlEngine *engine = nullptr);

    Q_INVOKABLE void startMove();
    /// A move is under way; the window manager may hold the keyboard meanwhile.
    bool isMoving() const { return m_moving; }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_moving = false;
};
