#include "MovableQuickView.h"

#include <QGuiApplication>
#include <QPointer>

MovableQuickView::MovableQuickView(QQmlEngine *engine)
    : QQuickView(engine, nullptr)
{
    QPointer<MovableQuickView> self(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [self](Qt::ApplicationState state) {
        // The keyboard is back: the move is over once what it left queued has been seen.
        if (state == Qt::ApplicationActive && self && self->m_moving)
            QMetaObject::invokeMethod(
                self, [self] { self->m_moving = false; }, Qt::QueuedConnection);
    });
}

void MovableQuickView::startMove()
{
    // Qt never sees the release the window manager took; the motion it replays as the move ends
    // still looks like a drag, and must not start another move.
    if (!m_moving)
        m_moving = startSystemMove();
}

void MovableQuickView::mouseReleaseEvent(QMouseEvent *event)
{
    m_moving = false;
    QQuickView::mouseReleaseEvent(event);
}
