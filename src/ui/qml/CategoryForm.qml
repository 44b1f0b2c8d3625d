import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The name and colour of a category, as the add form and the edit sheet ask for them.
Column {
    id: form

    required property CategoryManagerView manager
    property string title
    property string placeholder
    property string confirmLabel
    signal confirmed()
    signal cancelled()

    spacing: 10

    Text {
        text: form.title
        font.pixelSize: 13
        font.bold: true
        color: Theme.primaryText
    }
    TextField {
        objectName: "categoryName"
        Accessible.name: qsTr("Category name")
        width: form.width
        placeholderText: form.placeholder
        placeholderTextColor: Theme.tertiaryText
        color: Theme.primaryText
        font.pixelSize: 13
        text: form.manager.newName
        onTextEdited: form.manager.newName = text
        onAccepted: if (form.manager.canSave) form.confirmed()
        background: Rectangle {
            radius: 6
            color: Theme.dark ? Qt.rgba(0, 0, 0, 0.25) : "white"
            border.width: 1
            border.color: Theme.fieldBorder
        }
    }
    ColorGrid {
        width: form.width
        manager: form.manager
    }
    Item {
        width: form.width
        height: 28
        PanelButton {
            anchors.left: parent.left
            text: qsTr("Cancel")
            onClicked: form.cancelled()
        }
        PanelButton {
            objectName: "confirmCategory"
            anchors.right: parent.right
            prominent: true
            text: form.confirmLabel
            enabled: form.manager.canSave
            onClicked: form.confirmed()
        }
    }
}
