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
    // Every segment at least as wide as this, when set (a longer label widens its own); else each fits its label.
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
                implicitWidth: Math.max(picker.segmentWidth > 0 ? picker.segmentWidth : 54, implicitContentWidth + 16)
                implicitHeight: 22
                focusPolicy: Qt.TabFocus
                Keys.onReturnPressed: segment.clicked()
                Keys.onEnterPressed: segment.clicked()
                FocusRing {
                    visible: segment.activeFocus
                    anchors.margins: -1
                    radius: 6
                }
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
