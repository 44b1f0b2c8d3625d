import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The search button, or the open search field, and the chip of the filtering category.
Item {
    id: row

    required property ClipboardHistoryView view
    // A map: its keys are known only at run time.
    readonly property var category: row.view.filter.selectedCategory
    readonly property bool hasFilter: category.id !== undefined

    implicitHeight: 38

    // Closed: the accent tile.
    AbstractButton {
        id: searchTile
        visible: !row.view.filter.isSearchExpanded
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: 34
        height: 34
        hoverEnabled: true
        focusPolicy: Qt.NoFocus
        Accessible.name: qsTr("Search")
        onClicked: row.view.openSearch()

        background: Rectangle {
            radius: 9
            color: Theme.accent
            opacity: searchTile.hovered ? 0.85 : 1
        }
        contentItem: Item {
            Symbol {
                anchors.centerIn: parent
                name: "magnifyingglass"
                color: "white"
                size: 15
            }
        }
    }

    // Open: the field. It exists only while open: a text field asks the clipboard whether it can
    // paste on every change, and a hung clipboard owner would stall the panel for seconds.
    Loader {
        id: fieldLoader
        active: row.view.filter.isSearchExpanded
        anchors.left: parent.left
        anchors.right: chip.visible ? chip.left : parent.right
        anchors.rightMargin: chip.visible ? 8 : 0
        anchors.verticalCenter: parent.verticalCenter
        height: 34
        // The linter of Qt 6.4 does not follow ids into components; binding them breaks Loader there.
        // qmllint disable unqualified
        sourceComponent: SearchField { view: row.view }
        // qmllint enable unqualified
    }

    CategoryChip {
        id: chip
        visible: row.hasFilter
        anchors.verticalCenter: parent.verticalCenter
        x: row.view.filter.isSearchExpanded ? row.width - width : searchTile.width + 10
        iconName: row.category.icon || ""
        name: row.category.name || ""
        fillColor: row.category.color || "gray"
        textColor: "white"
        showClear: true
        Accessible.name: qsTr("Filtered by %1").arg(chip.name)
        Accessible.ignored: !visible
        onClearClicked: row.view.filter.setSelectedFilterId("")
    }
}
