import QtQuick
import Quillbox

// Shown above the list while two or more items are selected.
Rectangle {
    id: bar

    required property HistorySelection selection

    implicitHeight: 36
    radius: 10
    color: Theme.dark ? Qt.rgba(0.15, 0.12, 0.08, 1) : Qt.rgba(1.0, 0.97, 0.92, 1)
    border.width: 1
    border.color: Qt.rgba(1, 0.584, 0, 0.5)

    Row {
        id: count
        anchors.left: parent.left
        anchors.leftMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 6

        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "checkmark.circle.fill"
            color: Theme.orange
            size: 15
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("%n items selected", "", bar.selection.selectedIdsCount)
            color: Theme.warningText
            font.pixelSize: 13
            font.weight: Font.DemiBold
        }
    }
    // The keys' hint gives way to the count where the panel is narrow (a scaled desktop, a longer language).
    Text {
        anchors.left: count.right
        anchors.leftMargin: 12
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        horizontalAlignment: Text.AlignRight
        elide: Text.ElideLeft
        text: qsTr("⇧↑↓ select  |  Ctrl+Click toggle  |  ↩ combine  |  Esc clear")
        color: Theme.secondaryText
        font.pixelSize: 10
        font.weight: Font.Medium
    }
}
