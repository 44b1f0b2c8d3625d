import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Quillbox

// Asks before something that cannot be undone: the destructive button or Return accept, Cancel or
// Escape close it.
Popup {
    id: dialog

    property string title
    property string message
    property string confirmLabel: qsTr("Delete")
    signal accepted()

    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(360, parent ? parent.width - 40 : 360)
    modal: true
    focus: true
    padding: 20
    background: Rectangle {
        radius: 12
        color: Theme.dark ? Qt.rgba(0.16, 0.16, 0.19, 1) : "white"
        border.width: 1
        border.color: Theme.fieldBorder
    }
    function confirm() {
        dialog.close()
        dialog.accepted()
    }

    contentItem: Column {
        spacing: 12
        focus: true
        Accessible.role: Accessible.Dialog
        Accessible.name: dialog.title
        Accessible.description: dialog.message
        Keys.onReturnPressed: dialog.confirm()
        Keys.onEnterPressed: dialog.confirm()
        Text {
            width: parent.width
            wrapMode: Text.Wrap
            text: dialog.title
            font.pixelSize: 14
            font.bold: true
            color: Theme.primaryText
        }
        Text {
            width: parent.width
            wrapMode: Text.Wrap
            text: dialog.message
            font.pixelSize: 12
            color: Theme.secondaryText
        }
        Item {
            width: parent.width
            height: 28
            PanelButton {
                anchors.left: parent.left
                text: qsTr("Cancel")
                onClicked: dialog.close()
            }
            PanelButton {
                objectName: "confirmButton"
                anchors.right: parent.right
                prominent: true
                fill: Theme.red
                text: dialog.confirmLabel
                onClicked: dialog.confirm()
            }
        }
    }
}
