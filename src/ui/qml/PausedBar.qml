import QtQuick
import Quillbox

// While the history is paused: a slim bar at the top of the panel that says so; a click resumes.
Rectangle {
    id: pausedBar

    required property ClipboardHistoryView view

    objectName: "pausedBar"
    Accessible.role: Accessible.AlertMessage
    Accessible.name: qsTr("History paused")
    Accessible.ignored: !visible
    onVisibleChanged: if (visible) AccessibleEvents.reportAlert(pausedBar)
    visible: pausedBar.view.isHistoryPaused
    height: visible ? 30 : 0
    radius: 8
    color: Qt.rgba(1, 0.55, 0, Theme.dark ? 0.18 : 0.12)
    border.width: 1
    border.color: Qt.rgba(1, 0.55, 0, 0.45)

    Row {
        anchors.centerIn: parent
        spacing: 8

        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "pause.fill"
            color: Theme.primaryText
            size: 13
        }
        Row {
            anchors.verticalCenter: parent.verticalCenter

            Text {
                text: qsTr("History paused · ")
                color: Theme.primaryText
                font.pixelSize: 12
                font.weight: Font.Medium
            }
            Text {
                text: qsTr("Resume")
                color: Theme.accentText
                font.pixelSize: 12
                font.weight: Font.DemiBold
            }
        }
    }
    MouseArea {
        anchors.fill: parent
        cursorShape: Qt.PointingHandCursor
        onClicked: pausedBar.view.resumeHistory()
    }
}
