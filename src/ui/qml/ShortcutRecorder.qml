import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The label, the combination (or "Press keys..." while recording), Cancel, and why a press was
// not taken. The recorder sees the keys itself while recording.
Column {
    id: control

    required property ShortcutRecorderView recorder

    spacing: 6
    Component.onCompleted: control.recorder.loadCombo()
    Component.onDestruction: control.recorder.stopRecording()

    Item {
        width: control.width
        height: 30

        Text {
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            text: control.recorder.label
            font.pixelSize: 13
            color: Theme.primaryText
        }
        Row {
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8
            AbstractButton {
                id: comboButton
                objectName: "recordButton"
                Accessible.name: control.recorder.isRecording ? qsTr("Recording a shortcut") : qsTr("Shortcut %1").arg(control.recorder.buttonText)
                implicitWidth: Math.max(110, implicitContentWidth + 24)
                implicitHeight: 28
                focusPolicy: Qt.TabFocus
                Keys.onReturnPressed: comboButton.clicked()
                Keys.onEnterPressed: comboButton.clicked()
                FocusRing {
                    visible: comboButton.activeFocus
                }
                background: Rectangle {
                    radius: 6
                    color: control.recorder.isRecording ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.15)
                                                        : Qt.rgba(0.5, 0.5, 0.5, 0.15)
                    border.width: control.recorder.isRecording ? 1 : 0
                    border.color: Theme.accent
                }
                contentItem: Text {
                    text: control.recorder.buttonText
                    font.family: Theme.monoFamily
                    font.pixelSize: 12
                    color: Theme.primaryText
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
                onClicked: control.recorder.toggleRecording()
            }
            PanelButton {
                visible: control.recorder.isRecording
                text: qsTr("Cancel")
                onClicked: control.recorder.stopRecording()
            }
        }
    }
    // Why a combination was refused, spoken at once.
    Text {
        id: recorderMessage
        objectName: "recorderMessage"
        visible: text.length > 0
        Accessible.role: Accessible.AlertMessage
        Accessible.name: text
        Accessible.ignored: !visible
        onTextChanged: if (text.length > 0) AccessibleEvents.reportAlert(recorderMessage)
        width: control.width
        wrapMode: Text.Wrap
        text: control.recorder.message
        font.pixelSize: 11
        color: Theme.warningText
    }

    // What was recorded, said after the key press itself.
    Connections {
        target: control.recorder
        function onRecorded() { AccessibleEvents.announce(comboButton, qsTr("Shortcut set to %1").arg(control.recorder.buttonText)) }
    }
}
