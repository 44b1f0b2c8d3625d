#include "FloatingPanel.h"

#include "ui/ScreenFit.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QQuickItem>
#include <QScreen>

#include <algorithm>

FloatingPanel::FloatingPanel(BackendChoice::Backend backend, QQmlEngine *engine)
    : MovableQuickView(engine)
{
    setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setColor(Qt::transparent);
    setTitle(QStringLiteral("Quillbox"));
    setResizeMode(QQuickView::SizeRootObjectToView);
    const QSize size = ScreenFit::size(contentSize, QGuiApplication::primaryScreen());
    resize(size);
    // A Wayland client cannot place its windows; a fixed size makes sway (like other tiling
    // compositors) float the panel and centre it over the output instead of tiling it.
    if (backend == BackendChoice::Backend::wayland) {
        setMinimumSize(size);
        setMaximumSize(size);
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
    // A menu or dialog open over the list takes its own keys: ↓ moves in the menu, Return picks the
    // entry or confirms, rather than moving in or pasting from the list behind it.
    if (!isInOpenPopup(activeFocusItem())) {
        event->ignore();
        emit keyPressed(event);
        if (event->isAccepted())
            return;
    }
    QQuickView::keyPressEvent(event);
    if (event->key() == Qt::Key_Escape && !event->isAccepted())
        hide();
}

bool FloatingPanel::isInOpenPopup(const QQuickItem *item)
{
    for (; item; item = item->parentItem()) {
        if (item->inherits("QQuickPopupItem"))
            return true;
    }
    return false;
}

std::optional<QRect> FloatingPanel::placement(const QList<ScreenArea> &screens, QPoint pointer, QSize size)
{
    if (screens.isEmpty())
        return std::nullopt;
    const auto holding = std::find_if(screens.cbegin(), screens.cend(),
        [pointer](const ScreenArea &screen) { return screen.geometry.contains(pointer); });
    return ScreenFit::centred(size, (holding != screens.cend() ? *holding : screens.first()).availableGeometry);
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
    if (const auto frame = placement(screens, QCursor::pos(), contentSize))
        setGeometry(*frame);
}
