import QtQuick
import Quillbox

// While the disk is full: the history is not being saved, and how much waits. No close button: it
// goes when a save is written.
Rectangle {
    id: banner

    required property DiskFullNotice notice

    objectName: "diskFullBanner"
    visible: banner.notice.isShown
    height: visible ? bannerColumn.implicitHeight + 20 : 0
    radius: 12
    color: Qt.rgba(1, 0.23, 0.19, Theme.dark ? 0.16 : 0.09)
    border.width: 1
    border.color: Qt.rgba(1, 0.23, 0.19, 0.45)

    Symbol {
        id: bannerSymbol
        anchors.left: parent.left
        anchors.leftMargin: 14
        anchors.verticalCenter: parent.verticalCenter
        name: "exclamationmark.triangle.fill"
        color: Theme.red
        size: 18
    }

    Column {
        id: bannerColumn
        anchors.left: bannerSymbol.right
        anchors.leftMargin: 12
        anchors.right: parent.right
        anchors.rightMargin: 14
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Text {
            width: parent.width
            text: banner.notice.title
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: Theme.primaryText
            font.pixelSize: 13
            font.weight: Font.DemiBold
        }
        Text {
            objectName: "diskFullDetail"
            width: parent.width
            text: banner.notice.detail
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: Theme.secondaryText
            font.pixelSize: 12
        }
    }
}
