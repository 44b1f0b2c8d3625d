import QtQuick
import Quillbox

// A setting chosen from a few: its label, which wraps where the window is narrow or the language
// longer, and the choices at the right; `picked` carries the chosen value.
Item {
    id: row

    property alias label: labelText.text
    property alias choices: picker.choices
    property alias current: picker.current
    property alias segmentWidth: picker.segmentWidth
    signal picked(var value)

    width: parent ? parent.width : 300
    implicitHeight: Math.max(28, labelText.implicitHeight)

    Text {
        id: labelText
        anchors.left: parent.left
        anchors.right: picker.left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        wrapMode: Text.WordWrap
        font.pixelSize: 13
        color: Theme.primaryText
    }
    SegmentedPicker {
        id: picker
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        onPicked: value => row.picked(value)
    }
}
