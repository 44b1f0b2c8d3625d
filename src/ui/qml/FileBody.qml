import QtQuick
import Quillbox

// A file item: its icon, name and folder.
Item {
    id: body

    // The model's row (roles of the history list).
    required property var item

    Image {
        id: fileIcon
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: 40
        height: 40
        sourceSize.width: 80
        sourceSize.height: 80
        fillMode: Image.PreserveAspectFit
        source: body.item.fileIconName.length > 0 ? "image://icon/theme/" + body.item.fileIconName : ""
    }
    Column {
        anchors.left: fileIcon.right
        anchors.leftMargin: 12
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        spacing: 4
        Text {
            width: parent.width
            text: body.item.fileName
            color: Theme.primaryText
            font.pixelSize: 13
            font.weight: Font.Medium
            elide: Text.ElideMiddle
            textFormat: Text.PlainText
        }
        Text {
            width: parent.width
            text: body.item.fileFolder
            color: Theme.secondaryText
            font.pixelSize: 10
            elide: Text.ElideMiddle
            textFormat: Text.PlainText
        }
    }
}
