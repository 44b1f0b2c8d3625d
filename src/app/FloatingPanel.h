#pragma once

#include <QQuickView>

#include <functional>

class QKeyEvent;

/// The history panel's window: frameless, translucent, above other windows, without a taskbar entry,
/// 680 × 640. It hides on an Esc nobody handled and when the application loses activation, and it
/// lives until the program ends. Its content draws the only visible surface.
class FloatingPanel : public QQuickView {
    Q_OBJECT

public:
    static constexpr QSize contentSize{680, 640};

    explicit FloatingPanel(QQmlEngine *engine = nullptr);

    /// Sees every key press before the focused item; true consumes it.
    std::function<bool(QKeyEvent *)> keyHandler;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};
