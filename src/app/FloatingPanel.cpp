#include "FloatingPanel.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QScreen>

#include <algorithm>

FloatingPanel::FloatingPanel(BackendChoice::Backend backend, QQmlEngine *engine)
    : MovableQuickView(engine)
{
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setColor(Qt::transparent);
    setTitle(QStringLiteral("Quillbox"));
    setResizeMode(QQuickView::SizeRootObjectToView);
    resize(contentSize);
    // A Wayland client cannot place its windows; a fixed size makes sway (like other tiling
    // compositors) float the panel and centre it over the output instead of tiling it.
    if (backend == BackendChoice::Backend::wayland) {
        setMinimumSize(contentSize);
        setMaximumSize(contentSize);
    }

    QPointer<FloatingPanel> self(this);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [self](Qt::ApplicationState state) {
        // A window manager that moves the panel holds the keyboard meanwhile: that is no deactivation.
        if (state != Qt::ApplicationActive && self && !self->isMoving()) {
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
    event->ignore();
    emit keyPressed(event);
    if (event->isAccepted())
        return;
    QQuickView::keyPressEvent(event);
    if (event->key() == Qt::Key_Escape && !event->isAccepted())
        hide();
}

std::optional<QPoint> FloatingPanel::centredPosition(const QList<ScreenArea> &screens, QPoint pointer, QSize size)
{
    if (screens.isEmpty())
        return std::nullopt;
    const auto holding = std::find_if(screens.cbegin(), screens.cend(),
        [pointer](const ScreenArea &screen) { return screen.geometry.contains(pointer); });
    const QRect frame = (holding != screens.cend() ? *holding : screens.first()).availableGeometry;
    return frame.center() - QPoint(size.width() / 2, size.height() / 2);
}

void FloatingPanel::centreOnPointerScreen()
{
    QList<ScreenArea> screens;
    QScreen *primary = QGuiApplication::primaryScreen();
    if (primary)
        screens.append({primary->geometry(), primary->availableGeometry()});
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen != primary)
            screens.append({screen->geometry(), screen->availableGeometry()});
    }
    if (const auto position = centredPosition(screens, QCursor::pos(), size()))
        setPosition(*position);
}
