import QtQuick

// A press dragged where no control takes the pointer moves the window: the window manager or the
// compositor moves it (X11 and Wayland alike), so it follows the pointer without lag.
DragHandler {
    target: null
    onActiveChanged: {
        if (active && parent.Window.window)
            parent.Window.window.startSystemMove()
    }
}
