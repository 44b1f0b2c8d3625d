#include "FloatingPanel.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>

FloatingPanel::FloatingPanel(QQmlEngine *engine)
    : QQuickView(engine, nullptr)
{
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setColor(Qt::transparent);
    setTitle(QStringLiteral("Quillbox"));
    setResizeMode(QQuickView::SizeRootObjectToView);
    resize(contentSize);

    QPointer<FloatingPanel> self(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [self](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive) {
            // One turn later, so a window of our own taking over the activation settles first.
            QMetaObject::invokeMethod(
                self,
                [self] {
                    if (self && QGuiApplication::applicationState() != Qt::ApplicationActive)
                        self->hide();
                },
                Qt::QueuedConnection);
        }
    });
}

void FloatingPanel::keyPressEvent(QKeyEvent *event)
{
    if (keyHandler && keyHandler(event)) {
        event->accept();
        return;
    }
    event->ignore();
    QQuickView::keyPressEvent(event);
    if (event->key() == Qt::Key_Escape && !event->isAccepted())
        hide();
}
