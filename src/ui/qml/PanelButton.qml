import QtQuick
import QtQuick.Controls.Basic

// A text button of the panel; `prominent` fills it with `fill`.
AbstractButton {
    id: button

    property bool prominent: false
    property color fill: Theme.accent
    property bool bold: prominent

    implicitHeight: 28
    leftPadding: prominent ? 20 : 12
    rightPadding: prominent ? 20 : 12
    hoverEnabled: true
    // Tab reaches it (a click leaves the focus where it was); Space, Return and Enter press it.
    focusPolicy: Qt.TabFocus
    Keys.onReturnPressed: button.clicked()
    Keys.onEnterPressed: button.clicked()

    background: Rectangle {
        radius: 8
        color: button.prominent ? button.fill
             : button.hovered ? Qt.rgba(0.5, 0.5, 0.5, 0.22) : Qt.rgba(0.5, 0.5, 0.5, 0.12)
        opacity: button.enabled ? (button.down ? 0.8 : 1) : 0.45
    }
    FocusRing {
        visible: button.activeFocus
    }
    contentItem: Text {
        text: button.text
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
        color: button.prominent ? "white" : Theme.primaryText
        font.pixelSize: 12
        font.bold: button.bold
        opacity: button.enabled ? 1 : 0.7
    }
}
