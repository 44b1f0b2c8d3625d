import QtQuick

// A press dragged where no control takes the pointer moves the window, when the window can be
// moved that way (it offers startMove): the window manager or the compositor moves it.
DragHandler {
    id: handler

    target: null
    onActiveChanged: {
        const window = handler.parent.Window.window
        // The window is a MovableQuickView; the lint knows it only as a QQuickWindow.
        // qmllint disable
        if (active && window && window.startMove)
            window.startMove()
        // qmllint enable
    }
}
