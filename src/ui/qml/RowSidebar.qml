import QtQuick
import Quillbox

// The kind of item, its age and where it came from, on the item's coloured side of the card.
Column {
    id: sidebar

    // The model's row (roles of the history list).
    required property var item

    spacing: 3

    Item {
        anchors.horizontalCenter: parent.horizontalCenter
        width: 32
        height: 32
        Symbol {
            anchors.centerIn: parent
            name: sidebar.item.icon
            color: sidebar.item.colorForType
            size: 15
        }
    }
    Text {
        width: parent.width - 8
        anchors.horizontalCenter: parent.horizontalCenter
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideRight
        text: sidebar.item.label
        color: sidebar.item.colorForType
        font.pixelSize: 8
        font.weight: Font.DemiBold
    }
    Text {
        width: parent.width - 8
        anchors.horizontalCenter: parent.horizontalCenter
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideRight
        text: sidebar.item.relativeTime
        color: Theme.secondaryText
        font.pixelSize: 9
    }
    Text {
        visible: sidebar.item.sourceAppName.length > 0
        width: parent.width - 8
        anchors.horizontalCenter: parent.horizontalCenter
        horizontalAlignment: Text.AlignHCenter
        elide: Text.ElideRight
        text: sidebar.item.sourceAppName
        color: Theme.tertiaryText
        font.pixelSize: 7
    }
}
