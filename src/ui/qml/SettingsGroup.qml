import QtQuick
import Quillbox

// A titled box of settings; its children are stacked in it.
Column {
    id: group

    property string title
    default property alias content: box.data

    spacing: 6

    Text {
        visible: group.title.length > 0
        text: group.title
        font.pixelSize: 12
        font.bold: true
        color: Theme.secondaryText
        leftPadding: 4
    }
    Rectangle {
        width: group.width
        height: box.implicitHeight + 24
        radius: 8
        color: Theme.groupBackground
        border.width: 1
        border.color: Theme.fieldBorder

        Column {
            id: box
            x: 12
            y: 12
            width: parent.width - 24
            spacing: 6
        }
    }
}
