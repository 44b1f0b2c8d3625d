pragma ComponentBehavior: Bound
import QtQuick
import Quillbox

// The eight border colours; the stored one (same text exactly) is ringed and glows.
Row {
    id: row

    required property SettingsView settings

    spacing: 10
    topPadding: 4
    bottomPadding: 4

    Repeater {
        model: row.settings.borderColorOptions
        delegate: Item {
            id: swatch
            required property var modelData
            readonly property bool chosen: modelData.hex === row.settings.borderColorHex
            objectName: "border" + modelData.hex
            width: 30
            height: 30

            Rectangle { // the glow
                anchors.centerIn: parent
                visible: swatch.chosen
                width: 30
                height: 30
                radius: 15
                color: Qt.rgba(swatch.modelData.color.r, swatch.modelData.color.g, swatch.modelData.color.b, 0.5)
            }
            Rectangle {
                anchors.centerIn: parent
                width: 22
                height: 22
                radius: 11
                color: swatch.modelData.color
                border.width: swatch.chosen ? 2.5 : (swatch.modelData.hex === "#FFFFFF" ? 1 : 0)
                border.color: swatch.chosen ? "white" : Qt.rgba(0, 0, 0, 0.2)
            }
            Accessible.role: Accessible.RadioButton
            Accessible.name: swatch.modelData.name
            Accessible.checkable: true
            Accessible.checked: swatch.chosen
            Accessible.onPressAction: row.settings.borderColorHex = swatch.modelData.hex
            activeFocusOnTab: true
            Keys.onSpacePressed: row.settings.borderColorHex = swatch.modelData.hex
            Keys.onReturnPressed: row.settings.borderColorHex = swatch.modelData.hex
            Keys.onEnterPressed: row.settings.borderColorHex = swatch.modelData.hex
            FocusRing {
                visible: swatch.activeFocus
                anchors.margins: 0
                radius: width / 2
            }
            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: row.settings.borderColorHex = swatch.modelData.hex
            }
        }
    }
}
