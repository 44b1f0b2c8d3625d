import QtQuick

// Shown above the list while two or more items are selected.
Rectangle {
    id: bar

    property Theme theme

    implicitHeight: 36
    radius: 10
    color: theme.dark ? Qt.rgba(0.15, 0.12, 0.08, 1) : Qt.rgba(1.0, 0.97, 0.92, 1)
    border.width: 1
    border.color: Qt.rgba(1, 0.584, 0, 0.5)

    Row {
        anchors.left: parent.left
        anchors.leftMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        spacing: 6

        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "checkmark.circle.fill"
            color: bar.theme.orange
            size: 15
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: historyView.selection.selectedIdsCount + " items selected"
            color: bar.theme.orange
            font.pixelSize: 13
            font.weight: Font.DemiBold
        }
    }
    Text {
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        text: "⇧↑↓ select  |  Ctrl+Click toggle  |  ↩ combine  |  Esc clear"
        color: bar.theme.secondaryText
        font.pixelSize: 10
        font.weight: Font.Medium
    }
}
