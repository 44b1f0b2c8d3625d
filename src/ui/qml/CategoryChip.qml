import QtQuick
import QtQuick.Controls.Basic

// A category's icon and name on a rounded chip, optionally followed by a clear button.
AbstractButton {
    id: chip

    property string iconName
    property string name
    property color fillColor
    property color textColor
    property bool showClear: false
    signal clearClicked

    implicitHeight: 26
    leftPadding: 10
    rightPadding: showClear ? 6 : 10
    topPadding: 0
    bottomPadding: 0
    hoverEnabled: true
    focusPolicy: Qt.NoFocus

    background: Rectangle {
        radius: height / 2
        color: chip.fillColor
        border.width: chip.hovered ? 1 : 0
        border.color: Qt.rgba(chip.textColor.r, chip.textColor.g, chip.textColor.b, 0.4)
    }
    contentItem: Row {
        spacing: 5

        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: chip.iconName
            color: chip.textColor
            size: 12
        }
        Text {
            anchors.verticalCenter: parent.verticalCenter
            text: chip.name
            color: chip.textColor
            font.pixelSize: 12
            font.weight: Font.DemiBold
        }
        IconButton {
            focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
            visible: chip.showClear
            anchors.verticalCenter: parent.verticalCenter
            implicitWidth: 16
            implicitHeight: 16
            symbol: "xmark.circle.fill"
            tip: qsTr("Clear category filter")
            tint: chip.textColor
            glyphSize: 12
            onClicked: chip.clearClicked()
        }
    }
}
