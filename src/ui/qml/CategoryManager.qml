pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Quillbox

// The categories: header with Restore Defaults and the plus button, the rows, the add form, and
// the edit sheet over it all.
Item {
    id: root

    required property CategoryManagerView manager

    readonly property color purple: Qt.rgba(0.55, 0.40, 0.90, 1)
    // The sheet can close itself (Escape, a click outside), so it follows the controller by calls.
    readonly property bool isEditing: root.manager.editingRow >= 0
    onIsEditingChanged: root.isEditing ? sheet.open() : sheet.close()

    Item {
        id: header
        width: parent.width
        height: 44

        Text {
            anchors.left: parent.left
            anchors.leftMargin: 16
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Categories")
            font.pixelSize: 14
            font.bold: true
            color: Theme.primaryText
        }
        Row {
            anchors.right: parent.right
            anchors.rightMargin: 12
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8
            PanelButton {
                objectName: "restoreDefaults"
                visible: root.manager.canRestoreDefaults
                text: qsTr("Restore Defaults")
                background: Item {}
                contentItem: Text {
                    text: qsTr("Restore Defaults")
                    font.pixelSize: 11
                    font.weight: Font.Medium
                    color: root.purple
                    verticalAlignment: Text.AlignVCenter
                }
                onClicked: root.manager.restoreDefaults()
            }
            IconButton {
                objectName: "addCategory"
                symbol: "plus.circle.fill"
                tint: root.purple
                glyphSize: 16
                tip: qsTr("Add new category")
                onClicked: root.manager.startAdding()
            }
        }
    }

    Rectangle { id: topLine; anchors.top: header.bottom; width: parent.width; height: 1; color: Theme.separator }

    ListView {
        id: list
        objectName: "categoryList"
        anchors.top: topLine.bottom
        anchors.bottom: addForm.visible ? addForm.top : parent.bottom
        width: parent.width
        topMargin: 4
        bottomMargin: 4
        spacing: 2
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: root.manager.categories
        ScrollBar.vertical: ScrollBar {}
        delegate: CategoryRow {
            width: list.width
            manager: root.manager
            rowCount: list.count
        }
    }

    Rectangle {
        id: addForm
        objectName: "addForm"
        visible: root.manager.isAddingNew
        anchors.bottom: parent.bottom
        width: parent.width
        height: form.implicitHeight + 24
        color: Theme.fieldBackground
        Rectangle { width: parent.width; height: 1; color: Theme.separator }
        CategoryForm {
            id: form
            x: 12
            y: 12
            width: parent.width - 24
            manager: root.manager
            title: qsTr("New Category")
            placeholder: qsTr("Category name")
            confirmLabel: qsTr("Add")
            onConfirmed: root.manager.addCategory()
            onCancelled: root.manager.cancelAdding()
        }
    }

    Popup {
        id: sheet
        objectName: "editSheet"
        parent: T.Overlay.overlay
        anchors.centerIn: parent
        width: 320
        modal: true
        focus: true
        padding: 20
        onClosed: root.manager.cancelEdit()
        background: Rectangle {
            radius: 12
            color: Theme.dark ? Qt.rgba(0.16, 0.16, 0.19, 1) : "white"
            border.width: 1
            border.color: Theme.fieldBorder
        }
        contentItem: CategoryForm {
            manager: root.manager
            title: qsTr("Edit Category")
            placeholder: qsTr("Name")
            confirmLabel: qsTr("Save")
            spacing: 16
            onConfirmed: root.manager.saveEdit()
            onCancelled: root.manager.cancelEdit()
        }
    }
}
