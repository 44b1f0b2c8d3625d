import QtQuick
import Quillbox

// The panel when the store cannot be opened: which file, why, and what it means for new copies.
Item {
    id: root

    required property StoreProblemView storeProblem

    width: 680
    height: 640

    Binding {
        target: Theme
        property: "dark"
        value: root.storeProblem.isDark
    }

    Rectangle {
        anchors.fill: parent
        radius: 18
        color: Theme.panelBackground
        border.width: 1
        border.color: Theme.panelBorder
    }

    Column {
        anchors.centerIn: parent
        width: parent.width - 120
        spacing: 12

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 72
            height: 72
            radius: 36
            color: Qt.rgba(1, 0.23, 0.19, 0.12)
            Symbol {
                anchors.centerIn: parent
                name: "exclamationmark.triangle.fill"
                color: Theme.red
                size: 34
            }
        }

        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: root.storeProblem.title
            textFormat: Text.PlainText
            color: Theme.primaryText
            font.pixelSize: 18
            font.bold: true
        }

        // Selectable, so the path can be taken to a terminal or file manager.
        TextEdit {
            objectName: "storeFile"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: root.storeProblem.file
            textFormat: TextEdit.PlainText
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.WrapAnywhere
            color: Theme.primaryText
            selectionColor: Theme.accent
            font.family: Theme.monoFamily
            font.pixelSize: 13
        }

        Text {
            objectName: "storeReason"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: root.storeProblem.reason
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: Theme.primaryText
            font.pixelSize: 14
        }

        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: root.storeProblem.consequence
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: Theme.secondaryText
            font.pixelSize: 13
        }
    }
}
