import QtQuick
import QtQuick.Controls.Basic

// A popup menu drawn in the panel's colours.
Menu {
    id: menu


    // As wide as its widest entry, 210 at least: a longer language widens it rather than cutting in.
    implicitWidth: {
        let widest = 0
        for (let i = 0; i < menu.count; ++i) {
            const entry = menu.itemAt(i)
            if (entry)
                widest = Math.max(widest, entry.implicitWidth)
        }
        return Math.max(210, widest + menu.leftPadding + menu.rightPadding)
    }
    padding: 5

    background: Rectangle {
        implicitWidth: 210
        radius: 8
        color: Theme.dark ? Qt.rgba(0.16, 0.16, 0.19, 1) : Qt.rgba(1, 1, 1, 1)
        border.color: Theme.panelBorder
    }
}
