import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// One tab of the settings window: its symbol over its label.
AbstractButton {
    id: button

    property string label
    property string symbol

    checkable: false
    hoverEnabled: true
    focusPolicy: Qt.NoFocus
    implicitWidth: 84
    implicitHeight: 52

    background: Rectangle {
        radius: 8
        color: button.checked ? Qt.rgba(0.5, 0.5, 0.5, 0.2)
             : button.hovered ? Qt.rgba(0.5, 0.5, 0.5, 0.1) : "transparent"
    }
    contentItem: Column {
        spacing: 3
        Symbol {
            anchors.horizontalCenter: parent.horizontalCenter
            name: button.symbol
            size: 20
            color: button.checked ? Theme.accent : Theme.secondaryText
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: button.label
            font.pixelSize: 11
            color: button.checked ? Theme.primaryText : Theme.secondaryText
        }
    }
}
