import QtQuick
import QtQuick.Controls.Basic
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

        // Sidebar: the kind of item, its age and where it came from.
        Column {
            id: sidebar
            x: 0
            width: 76
            anchors.verticalCenter: parent.verticalCenter
            spacing: 3

            Item {
                anchors.horizontalCenter: parent.horizontalCenter
                width: 32
                height: 32
                Symbol {
                    anchors.centerIn: parent
                    name: row.item.icon
                    color: row.item.colorForType
                    size: 15
                }
            }
            Text {
                width: parent.width - 8
                anchors.horizontalCenter: parent.horizontalCenter
                horizontalAlignment: Text.AlignHCenter
                elide: Text.ElideRight
                text: row.item.label
                color: row.item.colorForType
                font.pixelSize: 8
                font.weight: Font.DemiBold
            }
            Text {
                width: parent.width - 8
                anchors.horizontalCenter: parent.horizontalCenter
                horizontalAlignment: Text.AlignHCenter
                elide: Text.ElideRight
                text: row.item.relativeTime
                color: Theme.secondaryText
                font.pixelSize: 9
            }
            Text {
                visible: row.item.sourceAppName.length > 0
                width: parent.width - 8
                anchors.horizontalCenter: parent.horizontalCenter
                horizontalAlignment: Text.AlignHCenter
                elide: Text.ElideRight
                text: row.item.sourceAppName
                color: Theme.tertiaryText
                font.pixelSize: 7
            }
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
                    case "url": return urlContent
                    case "file": return fileContent
                    case "image": return imageContent
                    default: return textContent
                    }
                }
            }

            // Pin and delete, faded in while hovered or selected.
            Row {
                id: actions
                anchors.right: parent.right
                anchors.bottom: parent.bottom
                anchors.rightMargin: 10
                anchors.bottomMargin: 6
                height: 24
                spacing: 4
                opacity: row.showActions ? 1 : 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: 150 } }

                Symbol {
                    visible: row.item.isPinned
                    anchors.verticalCenter: parent.verticalCenter
                    name: "pin.fill"
                    color: Theme.orange
                    size: 9
                }
                IconButton {
                    symbol: row.item.isPinned ? "pin.slash.fill" : "pin"
                    tip: row.item.isPinned ? "Unpin" : "Pin"
                    tint: row.item.isPinned ? Theme.orange : Theme.secondaryText
                    glyphSize: 13
                    onClicked: row.view.commands.togglePin(row.item.id)
                }
                IconButton {
                    symbol: "trash"
                    tip: "Delete"
                    tint: Theme.secondaryText
                    glyphSize: 13
                    onClicked: row.view.commands.deleteItem(row.item.id)
                }
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

    Component {
        id: textContent
        Text {
            text: row.item.displayText
            color: Theme.primaryText
            font.family: Theme.monoFamily
            font.pixelSize: 13
            maximumLineCount: 4
            wrapMode: Text.WrapAnywhere
            elide: Text.ElideRight
            textFormat: Text.PlainText
            horizontalAlignment: Text.AlignLeft
            verticalAlignment: Text.AlignTop
        }
    }

    Component {
        id: urlContent
        Text {
            text: row.item.content
            color: Theme.linkBlue
            font.pixelSize: 12
            maximumLineCount: 3
            wrapMode: Text.WrapAnywhere
            elide: Text.ElideRight
            textFormat: Text.PlainText
            verticalAlignment: Text.AlignTop
        }
    }

    Component {
        id: fileContent
        Item {
            Image {
                id: fileIcon
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                width: 40
                height: 40
                sourceSize.width: 80
                sourceSize.height: 80
                fillMode: Image.PreserveAspectFit
                source: row.item.fileIconName.length > 0 ? "image://icon/theme/" + row.item.fileIconName : ""
            }
            Column {
                anchors.left: fileIcon.right
                anchors.leftMargin: 12
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                spacing: 4
                Text {
                    width: parent.width
                    text: row.item.fileName
                    color: Theme.primaryText
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    elide: Text.ElideMiddle
                    textFormat: Text.PlainText
                }
                Text {
                    width: parent.width
                    text: row.item.fileFolder
                    color: Theme.secondaryText
                    font.pixelSize: 10
                    elide: Text.ElideMiddle
                    textFormat: Text.PlainText
                }
            }
        }
    }

    Component {
        id: imageContent
        Item {
            Item {
                id: thumbFrame
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                width: thumb.status === Image.Ready ? 80 : 0
                height: 80
                visible: width > 0

                Image {
                    id: thumb
                    anchors.fill: parent
                    sourceSize.width: 160
                    sourceSize.height: 160
                    asynchronous: true
                    fillMode: Image.PreserveAspectCrop
                    source: row.item.hasImage ? row.item.thumbnailSource : ""
                }
                // Rounds the thumbnail's corners against the card colour (radius 6).
                Rectangle {
                    anchors.fill: parent
                    anchors.margins: -4
                    radius: 10
                    color: "transparent"
                    border.width: 4
                    border.color: contentArea.color
                }
            }
            Column {
                anchors.left: thumbFrame.right
                anchors.leftMargin: thumbFrame.visible ? 12 : 0
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                spacing: 4
                Text {
                    width: parent.width
                    text: row.item.imageFileName
                    color: Theme.primaryText
                    font.pixelSize: 13
                    font.weight: Font.Medium
                    elide: Text.ElideMiddle
                    textFormat: Text.PlainText
                }
                Text {
                    width: parent.width
                    visible: text.length > 0
                    text: row.item.imageFilePath
                    color: Theme.secondaryText
                    font.pixelSize: 10
                    elide: Text.ElideMiddle
                    textFormat: Text.PlainText
                }
                Text {
                    visible: text.length > 0
                    text: row.item.imagePixelSize
                    color: Theme.tertiaryText
                    font.pixelSize: 9
                }
            }
        }
    }
}
