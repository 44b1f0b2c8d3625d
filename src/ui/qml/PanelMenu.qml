import QtQuick
import QtQuick.Controls.Basic

// A popup menu drawn in the panel's colours.
Menu {
    id: menu


    implicitWidth: 210
    padding: 5

    background: Rectangle {
        implicitWidth: 210
        radius: 8
        color: Theme.dark ? Qt.rgba(0.16, 0.16, 0.19, 1) : Qt.rgba(1, 1, 1, 1)
        border.color: Theme.panelBorder
    }
}
