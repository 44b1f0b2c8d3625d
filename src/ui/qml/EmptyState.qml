import QtQuick

// The welcome state of an empty history, or "No items found".
Item {
    id: empty

    property Theme theme

    Column {
        anchors.centerIn: parent
        width: Math.min(parent.width - 40, 380)
        spacing: 10

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 72
            height: 72
            radius: 36
            color: historyView.filter.isFirstLaunch ? Qt.rgba(0.55, 0.4, 0.9, 0.15) : Qt.rgba(0.5, 0.5, 0.5, 0.12)
            Symbol {
                anchors.centerIn: parent
                name: historyView.filter.isFirstLaunch ? "doc.on.clipboard" : "magnifyingglass"
                color: historyView.filter.isFirstLaunch ? empty.theme.accent : empty.theme.secondaryText
                size: 34
            }
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: historyView.filter.isFirstLaunch ? "Welcome to Quillbox!" : "No items found"
            color: empty.theme.primaryText
            font.pixelSize: 18
            font.bold: true
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: historyView.filter.isFirstLaunch ? "Everything you copy appears here automatically."
                                            : historyView.filter.emptyStateLine
            color: empty.theme.secondaryText
            font.pixelSize: 13
        }

        Item { width: 1; height: 6; visible: historyView.filter.isFirstLaunch }

        Rectangle {
            visible: historyView.filter.isFirstLaunch
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width
            height: tips.implicitHeight + 24
            radius: 12
            color: Qt.rgba(0.5, 0.5, 0.5, empty.theme.dark ? 0.10 : 0.08)

            Column {
                id: tips
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                anchors.leftMargin: 16
                anchors.rightMargin: 16
                spacing: 10

                Repeater {
                    model: [
                        { icon: "doc.on.clipboard", text: "Copy any text, URL, image, or file" },
                        { icon: "arrow.up.arrow.down", text: "Use ↑↓ arrows or scroll to navigate" },
                        { icon: "return", text: "Press Enter to paste into your app" },
                        { icon: "magnifyingglass", text: "Just start typing to search" }
                    ]
                    delegate: Row {
                        required property var modelData
                        spacing: 10
                        Symbol {
                            anchors.verticalCenter: parent.verticalCenter
                            width: 22
                            name: modelData.icon
                            color: empty.theme.accent
                            size: 15
                        }
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            text: modelData.text
                            color: empty.theme.primaryText
                            font.pixelSize: 13
                        }
                    }
                }
            }
        }
    }
}
