import QtQuick
import QtQuick.Controls.Basic

// One chip per category while a filter is set, with the navigation hint.
Item {
    id: bar

    property Theme theme

    implicitHeight: 30

    Flickable {
        id: strip
        anchors.left: parent.left
        anchors.right: hint.left
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        height: 26
        contentWidth: chips.implicitWidth
        contentHeight: height
        clip: true
        interactive: contentWidth > width
        boundsBehavior: Flickable.StopAtBounds

        Row {
            id: chips
            spacing: 6

            Repeater {
                model: historyView.filter.categories
                delegate: CategoryChip {
                    id: chip
                    readonly property bool isCurrent: model.id === historyView.filter.selectedFilterId
                    iconName: model.icon
                    name: model.name
                    fillColor: isCurrent ? model.color : model.dimmedColor
                    textColor: isCurrent ? "white" : model.color
                    onClicked: historyView.clickCategoryChip(model.id)
                    onIsCurrentChanged: if (isCurrent) strip.reveal(chip)
                    Component.onCompleted: if (isCurrent) Qt.callLater(strip.reveal, chip)
                }
            }
        }

        // Keeps the filtered chip on screen as the arrows move through the categories.
        function reveal(chip) {
            if (chip.x < contentX)
                contentX = chip.x
            else if (chip.x + chip.width > contentX + width)
                contentX = Math.min(chip.x + chip.width - width, Math.max(0, contentWidth - width))
        }
    }

    Text {
        id: hint
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        text: "← → navigate  |  Esc clear"
        color: bar.theme.tertiaryText
        font.pixelSize: 10
        font.weight: Font.Medium
    }
}
