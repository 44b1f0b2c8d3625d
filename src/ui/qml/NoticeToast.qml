import QtQuick
import Quillbox

// What just failed, for a few seconds at the foot of the panel.
Rectangle {
    id: noticeToast

    required property PanelNotice notice

    objectName: "notice"
    Accessible.role: Accessible.AlertMessage
    Accessible.name: noticeToast.notice.text
    Accessible.ignored: !visible
    onVisibleChanged: if (visible) AccessibleEvents.reportAlert(noticeToast)
    width: Math.min(parent.width - 72, noticeRow.implicitWidth + 32)
    height: 38
    radius: 19
    color: Theme.cardSelected
    border.width: 1
    border.color: Qt.rgba(1, 0.23, 0.19, 0.55)
    opacity: noticeToast.notice.text.length > 0 ? 1 : 0
    visible: opacity > 0
    Behavior on opacity {
        NumberAnimation { duration: 200; easing.type: Easing.OutCubic }
    }

    SoftShadow {
        anchors.fill: parent
        z: -1
        color: Qt.rgba(0, 0, 0, 0.22)
        blur: 12
        yOffset: 4
        cornerRadius: noticeToast.radius
        layers: 6
        strength: 0.8
    }

    Row {
        id: noticeRow
        anchors.centerIn: parent
        spacing: 8
        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "exclamationmark.triangle.fill"
            color: Theme.red
            size: 15
        }
        Text {
            id: noticeText
            anchors.verticalCenter: parent.verticalCenter
            width: Math.min(implicitWidth, noticeToast.parent.width - 72 - 32 - 23)
            elide: Text.ElideRight
            color: Theme.primaryText
            font.pixelSize: 12
            font.weight: Font.Medium
        }
    }
    // The text stays while the toast fades out.
    Connections {
        target: noticeToast.notice
        function onTextChanged() {
            if (noticeToast.notice.text.length > 0)
                noticeText.text = noticeToast.notice.text
        }
    }
}
