pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// One choice of a few, side by side; `picked` carries the chosen value.
Rectangle {
    id: picker

    // Each {label, value}.
    property var choices: []
    property var current
    // Every segment as wide as this, when set; else each fits its label.
    property real segmentWidth: 0
    signal picked(var value)

    implicitWidth: segments.implicitWidth + 4
    implicitHeight: 26
    radius: 7
    color: Qt.rgba(0.5, 0.5, 0.5, 0.15)

    Row {
        id: segments
        x: 2
        y: 2
        Repeater {
            model: picker.choices
            delegate: AbstractButton {
                id: segment
                required property var modelData
                readonly property bool chosen: modelData.value === picker.current
                objectName: "choice" + modelData.label
                Accessible.name: segment.modelData.label
                Accessible.checkable: true
                Accessible.checked: segment.chosen
                implicitWidth: picker.segmentWidth > 0 ? picker.segmentWidth : Math.max(54, implicitContentWidth + 22)
                implicitHeight: 22
                focusPolicy: Qt.NoFocus
                background: Rectangle {
                    radius: 5
                    color: segment.chosen ? (Theme.dark ? Qt.rgba(1, 1, 1, 0.22) : "white") : "transparent"
                }
                contentItem: Text {
                    text: segment.modelData.label
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    font.pixelSize: 12
                    font.weight: segment.chosen ? Font.Medium : Font.Normal
                    color: Theme.primaryText
                }
                onClicked: picker.picked(segment.modelData.value)
            }
        }
    }
}
