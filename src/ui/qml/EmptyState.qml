pragma ComponentBehavior: Bound
import QtQuick
import Quillbox

// The welcome state of an empty history, or "No items found".
Item {
    id: empty

    required property HistoryFilter filter

    Column {
        anchors.centerIn: parent
        width: Math.min(parent.width - 40, 380)
        spacing: 10

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 72
            height: 72
            radius: 36
            color: empty.filter.isFirstLaunch ? Qt.rgba(0.55, 0.4, 0.9, 0.15) : Qt.rgba(0.5, 0.5, 0.5, 0.12)
            Symbol {
                anchors.centerIn: parent
                name: empty.filter.isFirstLaunch ? "doc.on.clipboard" : "magnifyingglass"
                color: empty.filter.isFirstLaunch ? Theme.accent : Theme.secondaryText
                size: 34
            }
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: empty.filter.isFirstLaunch ? qsTr("Welcome to Quillbox!") : qsTr("No items found")
            color: Theme.primaryText
            font.pixelSize: 18
            font.bold: true
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: empty.filter.isFirstLaunch ? qsTr("Everything you copy appears here automatically.")
                                            : empty.filter.emptyStateLine
            color: Theme.secondaryText
            font.pixelSize: 13
        }

        Item { width: 1; height: 6; visible: empty.filter.isFirstLaunch }

        Rectangle {
            visible: empty.filter.isFirstLaunch
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width
            height: tips.implicitHeight + 24
            radius: 12
            color: Qt.rgba(0.5, 0.5, 0.5, Theme.dark ? 0.10 : 0.08)

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
                        { icon: "doc.on.clipboard", text: qsTr("Copy any text, URL, image, or file") },
                        { icon: "arrow.up.arrow.down", text: qsTr("Use ↑↓ arrows or scroll to navigate") },
                        { icon: "return", text: qsTr("Press Enter to paste into your app") },
                        { icon: "magnifyingglass", text: qsTr("Just start typing to search") }
                    ]
                    delegate: Row {
                        id: tip
                        required property var modelData
                        spacing: 10
                        Symbol {
                            anchors.verticalCenter: parent.verticalCenter
                            width: 22
                            name: tip.modelData.icon
                            color: Theme.accent
                            size: 15
                        }
                        Text {
                            anchors.verticalCenter: parent.verticalCenter
                            text: tip.modelData.text
                            color: Theme.primaryText
                            font.pixelSize: 13
                        }
                    }
                }
            }
        }
    }
}
