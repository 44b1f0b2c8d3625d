import QtQuick
import QtQuick.Controls.Basic

// A small flat button showing one symbol, with an optional tooltip.
AbstractButton {
    id: button

    property string symbol
    property color tint: "gray"
    property real glyphSize: 13
    property string tip
    property color hoverColor: Qt.rgba(0.5, 0.5, 0.5, 0.18)

    implicitWidth: 24
    implicitHeight: 24
    hoverEnabled: true
    // Tab reaches it (a click leaves the focus where it was); Space, Return and Enter press it.
    focusPolicy: Qt.TabFocus
    Keys.onReturnPressed: button.clicked()
    Keys.onEnterPressed: button.clicked()

    Accessible.role: Accessible.Button
    Accessible.name: tip
    Accessible.ignored: !visible

    ToolTip.visible: tip.length > 0 && hovered
    ToolTip.delay: 500
    ToolTip.text: tip

    background: Rectangle {
        radius: 6
        color: button.hovered ? button.hoverColor : "transparent"
    }
    FocusRing {
        visible: button.activeFocus
        anchors.margins: -2
    }
    contentItem: Item {
        Symbol {
            anchors.centerIn: parent
            name: button.symbol
            color: button.tint
            size: button.glyphSize
            opacity: button.enabled ? 1 : 0.4
        }
    }
}
