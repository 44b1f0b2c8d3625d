import QtQuick
import QtQuick.Controls.Basic

// A menu entry in the panel's colours; `checkmark` marks the current choice.
MenuItem {
    id: entry

    property bool destructive: false
    property bool checkmark: false

    implicitHeight: 28

    readonly property color labelColor: highlighted ? "white"
        : destructive ? Theme.red
        : enabled ? Theme.primaryText : Theme.tertiaryText

    TextMetrics {
        id: metrics
        text: entry.text
        font.pixelSize: 13
    }
    contentItem: Item {
        implicitHeight: 20
        implicitWidth: 18 + Math.ceil(metrics.advanceWidth) + (entry.subMenu ? 20 : 0)
        Symbol {
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            visible: entry.checkmark
            name: "checkmark"
            size: 12
            color: entry.labelColor
        }
        Text {
            anchors.left: parent.left
            anchors.leftMargin: 18
            anchors.right: parent.right
            anchors.rightMargin: entry.subMenu ? 20 : 0
            anchors.verticalCenter: parent.verticalCenter
            text: entry.text
            elide: Text.ElideRight
            font.pixelSize: 13
            color: entry.labelColor
        }
    }
    arrow: Text {
        x: entry.width - width - 8
        y: (entry.height - height) / 2
        visible: entry.subMenu
        text: "›"
        font.pixelSize: 15
        color: entry.highlighted ? "white" : Theme.secondaryText
    }
    background: Rectangle {
        radius: 5
        color: entry.highlighted ? (entry.destructive ? Theme.red : Theme.blue) : "transparent"
    }
}
