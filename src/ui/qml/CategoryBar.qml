pragma ComponentBehavior: Bound
import QtQuick
import Quillbox

// One chip per category while a filter is set, with the navigation hint.
Item {
    id: bar

    required property ClipboardHistoryView view

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
                model: bar.view.filter.categories
                delegate: CategoryChip {
                    id: chip
                    required property var model
                    readonly property bool isCurrent: chip.model.id === bar.view.filter.selectedFilterId
                    iconName: chip.model.icon
                    name: chip.model.name
                    fillColor: chip.isCurrent ? chip.model.color : chip.model.dimmedColor
                    textColor: chip.isCurrent ? "white" : chip.model.color
                    onClicked: bar.view.filter.clickCategoryChip(chip.model.id)
                    onIsCurrentChanged: if (chip.isCurrent) strip.reveal(chip)
                    Component.onCompleted: if (chip.isCurrent) Qt.callLater(strip.reveal, chip) // qmllint disable
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
        color: Theme.tertiaryText
        font.pixelSize: 10
        font.weight: Font.Medium
    }
}
