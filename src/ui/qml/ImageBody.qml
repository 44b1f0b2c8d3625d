import QtQuick
import Quillbox

// An image item: its thumbnail, file name, path and size.
Item {
    id: body

    // The model's row (roles of the history list).
    required property var item
    // The card behind, which the thumbnail's rounded corners are cut from.
    required property color cardColor

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
            source: body.item.hasImage ? body.item.thumbnailSource : ""
        }
        // Rounds the thumbnail's corners against the card colour (radius 6).
        Rectangle {
            anchors.fill: parent
            anchors.margins: -4
            radius: 10
            color: "transparent"
            border.width: 4
            border.color: body.cardColor
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
            text: body.item.imageFileName
            color: Theme.primaryText
            font.pixelSize: 13
            font.weight: Font.Medium
            elide: Text.ElideMiddle
            textFormat: Text.PlainText
        }
        Text {
            width: parent.width
            visible: text.length > 0
            text: body.item.imageFilePath
            color: Theme.secondaryText
            font.pixelSize: 10
            elide: Text.ElideMiddle
            textFormat: Text.PlainText
        }
        Text {
            visible: text.length > 0
            text: body.item.imagePixelSize
            color: Theme.tertiaryText
            font.pixelSize: 9
        }
    }
}
