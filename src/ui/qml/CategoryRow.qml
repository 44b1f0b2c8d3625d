import QtQuick
import Quillbox

// One category: reorder chevrons, colour dot, symbol, name, Default badge, edit and delete.
Item {
    id: row

    required property CategoryManagerView manager
    required property int rowCount
    required property int index
    required property string name
    required property string icon
    required property color color
    required property bool isDefault

    implicitHeight: 40

    Rectangle {
        anchors.fill: parent
        color: row.manager.editingRow === row.index ? Qt.rgba(0, 0.48, 1, 0.08) : "transparent"
    }

    Row {
        anchors.left: parent.left
        anchors.leftMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        spacing: 10

        Column {
            width: 16
            anchors.verticalCenter: parent.verticalCenter
            IconButton {
                objectName: "moveUp"
                width: 16
                height: 12
                symbol: "chevron.up"
                tip: qsTr("Move up")
                glyphSize: 9
                enabled: row.index > 0
                tint: enabled ? Theme.secondaryText : Theme.tertiaryText
                onClicked: row.manager.moveCategory(row.index, -1)
            }
            IconButton {
                objectName: "moveDown"
                width: 16
                height: 12
                symbol: "chevron.down"
                tip: qsTr("Move down")
                glyphSize: 9
                enabled: row.index < row.rowCount - 1
                tint: enabled ? Theme.secondaryText : Theme.tertiaryText
                onClicked: row.manager.moveCategory(row.index, 1)
            }
        }
        Rectangle {
            anchors.verticalCenter: parent.verticalCenter
            width: 14
            height: 14
            radius: 7
            color: row.color
        }
        Item {
            width: 20
            height: 20
            anchors.verticalCenter: parent.verticalCenter
            Symbol { anchors.centerIn: parent; name: row.icon; color: row.color; size: 13 }
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: row.name
            font.pixelSize: 13
            font.weight: Font.Medium
            color: Theme.primaryText
        }
        Rectangle {
            visible: row.isDefault
            anchors.verticalCenter: parent.verticalCenter
            width: badge.implicitWidth + 12
            height: badge.implicitHeight + 4
            radius: height / 2
            color: Qt.rgba(0.5, 0.5, 0.5, 0.15)
            Text {
                id: badge
                anchors.centerIn: parent
                text: qsTr("Default")
                font.pixelSize: 9
                font.bold: true
                color: Theme.secondaryText
            }
        }
    }

    Row {
        anchors.right: parent.right
        anchors.rightMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4
        IconButton {
            objectName: "editCategory"
            symbol: "pencil"
            tip: qsTr("Edit")
            glyphSize: 12
            tint: Theme.secondaryText
            onClicked: row.manager.beginEdit(row.index)
        }
        IconButton {
            objectName: "deleteCategory"
            visible: !row.isDefault
            symbol: "trash"
            tip: qsTr("Delete")
            glyphSize: 12
            tint: Qt.rgba(1, 0.23, 0.19, 0.7)
            onClicked: row.manager.deleteCategory(row.index)
        }
    }
}
