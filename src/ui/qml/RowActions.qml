import QtQuick
import Quillbox

// Pin and delete for one history item.
Row {
    id: actions

    required property ClipboardHistoryView view
    required property var item

    height: 24
    spacing: 4

    Symbol {
        visible: actions.item.isPinned
        anchors.verticalCenter: parent.verticalCenter
        name: "pin.fill"
        color: Theme.orange
        size: 9
    }
    IconButton {
        focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
        symbol: actions.item.isPinned ? "pin.slash.fill" : "pin"
        tip: actions.item.isPinned ? qsTr("Unpin") : qsTr("Pin")
        tint: actions.item.isPinned ? Theme.orange : Theme.secondaryText
        glyphSize: 13
        onClicked: actions.view.commands.togglePin(actions.item.id)
    }
    IconButton {
        focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
        symbol: "trash"
        tip: qsTr("Delete")
        tint: Theme.secondaryText
        glyphSize: 13
        onClicked: actions.view.commands.deleteItem(actions.item.id)
    }
}
