pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// One welcome page: its symbol, title, text, bullets and optional action; it fades in when current.
Item {
    id: page

    required property int index
    required property var modelData
    // The page shown now.
    required property int current
    readonly property color tint: page.modelData.iconColor
    // What the action came to, on the page that has it.
    property string status

    signal actionClicked

    anchors.fill: parent
    opacity: page.index === page.current ? 1 : 0
    visible: opacity > 0
    Behavior on opacity { NumberAnimation { duration: 250; easing.type: Easing.InOutQuad } }

    // Centred where the window has room; where a scaled desktop left it less, the page scrolls.
    ScrollingPage {
        id: flick
        anchors.fill: parent
        contentHeight: Math.max(height, column.implicitHeight + 32)
        interactive: contentHeight > height

        Column {
            id: column
            x: (flick.width - width) / 2
            y: Math.max(16, (flick.height - implicitHeight) / 2)
            width: Math.min(420, flick.width - 32)
            spacing: 12

            Rectangle {
                anchors.horizontalCenter: parent.horizontalCenter
                width: 108
                height: 108
                radius: 54
                color: Qt.rgba(page.tint.r, page.tint.g, page.tint.b, 0.15)
                Symbol {
                    anchors.centerIn: parent
                    name: page.modelData.icon
                    color: page.tint
                    size: 46
                }
            }
            Item { width: 1; height: 2 }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: page.modelData.title
                color: Theme.primaryText
                font.pixelSize: 22
                font.bold: true
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: page.modelData.subtitle
                color: page.tint
                font.pixelSize: 13
                font.weight: Font.Medium
            }
            Text {
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: page.modelData.body
                color: Theme.secondaryText
                font.pixelSize: 13
                lineHeight: 1.15
            }
            Rectangle {
                visible: page.modelData.bullets && page.modelData.bullets.length > 0
                width: parent.width
                height: bulletColumn.implicitHeight + 24
                radius: 10
                color: Qt.rgba(Theme.secondaryText.r, Theme.secondaryText.g, Theme.secondaryText.b, 0.08)

                Column {
                    id: bulletColumn
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.leftMargin: 14
                    anchors.rightMargin: 14
                    spacing: 8

                    Repeater {
                        model: page.modelData.bullets || []
                        delegate: Row {
                            id: bullet
                            required property var modelData
                            spacing: 6
                            Item {
                                width: 22
                                height: 18
                                Symbol {
                                    anchors.centerIn: parent
                                    name: bullet.modelData.icon
                                    color: page.tint
                                    size: 13
                                }
                            }
                            Text {
                                anchors.verticalCenter: parent.verticalCenter
                                width: bulletColumn.width - 28
                                wrapMode: Text.WordWrap
                                text: bullet.modelData.text
                                color: Theme.primaryText
                                font.pixelSize: 13
                            }
                        }
                    }
                }
            }
            Button {
                id: actionButton
                visible: (page.modelData.actionLabel || "").length > 0
                anchors.horizontalCenter: parent.horizontalCenter
                focusPolicy: Qt.TabFocus
                Keys.onReturnPressed: actionButton.clicked()
                Keys.onEnterPressed: actionButton.clicked()
                FocusRing {
                    visible: actionButton.activeFocus
                }
                text: page.modelData.actionLabel || ""
                font.pixelSize: 13
                font.weight: Font.DemiBold
                onClicked: page.actionClicked()
                contentItem: Text {
                    text: actionButton.text
                    font: actionButton.font
                    color: Theme.primaryText
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                background: Rectangle {
                    implicitHeight: 30
                    radius: 7
                    color: actionButton.hovered ? Qt.rgba(0.5, 0.5, 0.5, 0.18) : "transparent"
                    border.width: 1
                    border.color: Qt.rgba(0.5, 0.5, 0.5, 0.45)
                }
            }
            Text {
                objectName: "actionStatus"
                visible: page.status.length > 0
                width: parent.width
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.WordWrap
                text: page.status
                color: Theme.secondaryText
                font.pixelSize: 12
            }
        }
    }
}
