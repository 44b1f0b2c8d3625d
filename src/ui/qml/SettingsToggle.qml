import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// A label with a switch at the right; `toggled` carries the new value.
Item {
    id: toggle

    property string label
    property bool checked
    signal toggled(bool on)

    implicitHeight: 24
    width: parent ? parent.width : 300

    Text {
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        text: toggle.label
        font.pixelSize: 13
        color: Theme.primaryText
    }
    Switch {
        objectName: "switch"
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        checked: toggle.checked
        focusPolicy: Qt.NoFocus
        onToggled: toggle.toggled(checked)
    }
}
