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
            Accessible.role: Accessible.PageTabList
            Accessible.name: qsTr("Categories")

            Repeater {
                model: bar.view.filter.categories
                // A tab to assistive technologies: a control would insist on being a button.
                delegate: Item {
                    id: tab
                    required property var model
                    readonly property bool isCurrent: tab.model.id === bar.view.filter.selectedFilterId
                    width: chip.implicitWidth
                    height: chip.implicitHeight
                    Accessible.role: Accessible.PageTab
                    Accessible.name: tab.model.name
                    Accessible.selectable: true
                    Accessible.selected: tab.isCurrent
                    onIsCurrentChanged: if (tab.isCurrent) strip.reveal(tab)
                    Component.onCompleted: if (tab.isCurrent) Qt.callLater(strip.reveal, tab) // qmllint disable

                    CategoryChip {
                        id: chip
                        anchors.fill: parent
                        Accessible.ignored: true
                        iconName: tab.model.icon
                        name: tab.model.name
                        fillColor: tab.isCurrent ? tab.model.color : tab.model.dimmedColor
                        textColor: tab.isCurrent ? "white" : tab.model.color
                        onClicked: bar.view.filter.clickCategoryChip(tab.model.id)
                    }
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
        text: qsTr("← → navigate  |  Esc clear")
        color: Theme.tertiaryText
        font.pixelSize: 10
        font.weight: Font.Medium
    }
}
