import QtQuick
import Quillbox

// One history item: a coloured sidebar with the item's kind and age, the content drawn by type, and
// the pin and delete buttons while hovered or selected.
Item {
    id: row

    required property ClipboardHistoryView view
    // The model's row (roles of the history list).
    property var item
    property int index: -1
    property bool isSelected: false
    readonly property bool isHovered: hover.hovered

    signal contextMenuRequested

    implicitHeight: 130

    readonly property color cardColor: isSelected ? Theme.cardSelected : isHovered ? Theme.cardHovered : Theme.cardNormal
    readonly property bool showActions: isSelected || isHovered

    scale: isSelected ? 1.06 : isHovered ? 1.01 : 1.0
    Behavior on scale {
        NumberAnimation { duration: 220; easing.type: Easing.OutBack; easing.overshoot: 1.1 }
    }

    HoverHandler { id: hover }

    SoftShadow {
        anchors.fill: card
        visible: !row.isSelected
        color: Qt.rgba(0, 0, 0, 0.18)
        blur: 10
        yOffset: 6
        layers: 6
        strength: 0.8
    }
    SoftShadow {
        anchors.fill: card
        visible: row.isSelected
        color: Qt.rgba(row.view.borderColor.r, row.view.borderColor.g, row.view.borderColor.b, 0.55)
        blur: 20
        layers: 10
        strength: 1.1
    }

    Rectangle {
        id: card
        anchors.fill: parent
        radius: 14
        color: row.item.sidebarColor

        MouseArea {
            anchors.fill: parent
            acceptedButtons: Qt.LeftButton | Qt.RightButton
            onClicked: function (mouse) {
                if (mouse.button === Qt.RightButton)
                    row.contextMenuRequested()
                else
                    row.view.clickRow(row.index, mouse.modifiers)
            }
        }

        RowSidebar {
            width: 76
            anchors.verticalCenter: parent.verticalCenter
            item: row.item
        }

        // Content area; its left corners are squared against the sidebar.
        Rectangle {
            id: contentArea
            x: 76
            width: parent.width - 76
            height: parent.height
            radius: 14
            color: row.cardColor
            Behavior on color { ColorAnimation { duration: 150 } }

            Rectangle {
                width: 14
                height: parent.height
                color: parent.color
            }

            // The content, drawn by the kind of item.
            Loader {
                id: body
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.bottom: actions.top
                anchors.leftMargin: 14
                anchors.rightMargin: 14
                anchors.topMargin: 12
                anchors.bottomMargin: 2
                sourceComponent: {
                    switch (row.item.type) {
                    case "url": return linkBody
                    case "file": return fileBody
                    case "image": return imageBody
                    default: return textBody
                    }
                }
            }

            // Pin and delete, faded in while hovered or selected.
            RowActions {
                id: actions
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.rightMargin: 10
                anchors.bottomMargin: 6
                opacity: row.showActions ? 1 : 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: 150 } }
                view: row.view
                item: row.item
            }

            // Member of the multi-selection.
            Symbol {
                visible: row.item.isMultiSelected
                anchors.right: parent.right
                anchors.top: parent.top
                anchors.margins: 8
                name: "checkmark.circle.fill"
                color: Theme.orange
                size: 18
            }
        }

        Rectangle {
            anchors.fill: parent
            visible: row.item.isMultiSelected
            radius: 14
            color: "transparent"
            border.width: 2
            border.color: Qt.rgba(1, 0.584, 0, 0.6)
        }
    }

    // The linter of Qt 6.4 does not follow ids into components; binding them breaks Loader there.
    // qmllint disable unqualified
    Component {
        id: textBody
        TextBody { item: row.item }
    }
    Component {
        id: linkBody
        LinkBody { item: row.item }
    }
    Component {
        id: fileBody
        FileBody { item: row.item }
    }
    Component {
        id: imageBody
        ImageBody {
            item: row.item
            cardColor: contentArea.color
        }
    }
    // qmllint enable unqualified

    // The selection's sign that does not rest on the glow's colour alone.
    Rectangle {
        objectName: "selectionRing"
        anchors.fill: card
        visible: row.isSelected
        radius: 14
        color: "transparent"
        border.width: 2
        border.color: Theme.ringColor(row.view.borderColor)
    }
}
