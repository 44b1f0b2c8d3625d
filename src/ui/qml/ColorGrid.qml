pragma ComponentBehavior: Bound
import QtQuick
import Quillbox

// The twelve palette colours in two rows of six; the chosen one carries a white and a coloured ring.
Grid {
    id: grid

    required property CategoryManagerView manager

    columns: 6
    spacing: 6

    Repeater {
        model: grid.manager.palette
        delegate: Item {
            id: swatch
            required property string modelData
            readonly property bool chosen: modelData === grid.manager.newColorHex
            width: (grid.width - 5 * grid.spacing) / 6
            height: 30

            Rectangle { // the ring in the swatch's own colour, just outside the white one
                anchors.centerIn: parent
                visible: swatch.chosen
                width: 27
                height: 27
                radius: 13.5
                color: "transparent"
                border.width: 1.5
                border.color: swatch.modelData
            }
            Rectangle {
                anchors.centerIn: parent
                width: 24
                height: 24
                radius: 12
                color: swatch.modelData
                border.width: swatch.chosen ? 3 : 0
                border.color: "white"
            }
            Accessible.role: Accessible.RadioButton
            Accessible.name: swatch.modelData
            Accessible.checkable: true
            Accessible.checked: swatch.chosen
            Accessible.onPressAction: grid.manager.newColorHex = swatch.modelData
            activeFocusOnTab: true
            Keys.onSpacePressed: grid.manager.newColorHex = swatch.modelData
            Keys.onReturnPressed: grid.manager.newColorHex = swatch.modelData
            Keys.onEnterPressed: grid.manager.newColorHex = swatch.modelData
            FocusRing {
                visible: swatch.activeFocus
                anchors.margins: 0
                radius: width / 2
            }
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: grid.manager.newColorHex = swatch.modelData
            }
        }
    }
}
