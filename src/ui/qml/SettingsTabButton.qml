import QtQuick
import Quillbox

// One tab of the settings window: its symbol over its label. Not a control, which assistive
// technologies would always be told is a button: a tab of the window's tab list.
Item {
    id: button

    property string label
    property string symbol
    property bool checked: false
    signal clicked

    implicitWidth: 84
    implicitHeight: 52

    Accessible.role: Accessible.PageTab
    Accessible.name: button.label
    Accessible.selectable: true
    Accessible.selected: button.checked
    Accessible.onPressAction: button.clicked()

    // A tab list: Tab reaches the tabs, Space or Return opens one, ← and → move along them.
    activeFocusOnTab: true
    Keys.onSpacePressed: button.clicked()
    Keys.onReturnPressed: button.clicked()
    Keys.onEnterPressed: button.clicked()
    Keys.onLeftPressed: nextItemInFocusChain(false).forceActiveFocus(Qt.BacktabFocusReason)
    Keys.onRightPressed: nextItemInFocusChain(true).forceActiveFocus(Qt.TabFocusReason)

    HoverHandler { id: hover }
    TapHandler { onTapped: button.clicked() }

    Rectangle {
        anchors.fill: parent
        radius: 8
        color: button.checked ? Qt.rgba(0.5, 0.5, 0.5, 0.2)
             : hover.hovered ? Qt.rgba(0.5, 0.5, 0.5, 0.1) : "transparent"
    }
    FocusRing {
        visible: button.activeFocus
        anchors.margins: 0
    }
    Column {
        anchors.centerIn: parent
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
