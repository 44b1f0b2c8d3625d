import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The search button, or the open search field, and the chip of the filtering category.
Item {
    id: row

    required property ClipboardHistoryView view
    readonly property bool hasFilter: row.view.filter.selectedCategory.id !== undefined

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
        sourceComponent: fieldComponent
    }

    Component {
        id: fieldComponent

    Rectangle {
        id: field
        radius: 9
        color: Theme.fieldBackground
        border.width: 1
        border.color: input.activeFocus ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.7)
                                        : Theme.fieldBorder

        Symbol {
            id: glass
            anchors.left: parent.left
            anchors.leftMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            color: Theme.secondaryText
            size: 14
        }

        TextField {
            id: input
            anchors.left: glass.right
            anchors.leftMargin: 4
            anchors.right: clearButton.visible ? clearButton.left : closeButton.left
            anchors.verticalCenter: parent.verticalCenter
            background: null
            color: Theme.primaryText
            placeholderText: row.view.filter.searchPlaceholder
            placeholderTextColor: Theme.tertiaryText
            selectionColor: Theme.accent
            selectedTextColor: "white"
            font.pixelSize: 14
            text: row.view.filter.searchText
            onTextEdited: row.view.filter.searchText = text
            onActiveFocusChanged: row.view.focus.isSearchFocused = activeFocus
        }

        IconButton {
            id: clearButton
            visible: row.view.filter.searchText.length > 0
            anchors.right: closeButton.left
            anchors.verticalCenter: parent.verticalCenter
            symbol: "xmark.circle.fill"
            tint: Theme.tertiaryText
            glyphSize: 14
            onClicked: row.view.filter.searchText = ""
        }
        IconButton {
            id: closeButton
            anchors.right: parent.right
            anchors.rightMargin: 5
            anchors.verticalCenter: parent.verticalCenter
            symbol: "xmark"
            tint: Theme.secondaryText
            glyphSize: 12
            onClicked: row.view.closeSearch()
        }

        // Focus follows the controller's flag once the field is laid out.
        function syncFocus() {
            if (row.view.focus.isSearchFocused && !input.activeFocus)
                input.forceActiveFocus()
        }
        // At once: the next typed key may already be on its way.
        Component.onCompleted: field.syncFocus()
        Connections {
            target: row.view.focus
            function onFocusChanged() { Qt.callLater(field.syncFocus) }
        }
    }
    }

    CategoryChip {
        id: chip
        visible: row.hasFilter
        anchors.verticalCenter: parent.verticalCenter
        x: row.view.filter.isSearchExpanded ? row.width - width : searchTile.width + 10
        iconName: row.view.filter.selectedCategory.icon || ""
        name: row.view.filter.selectedCategory.name || ""
        fillColor: row.view.filter.selectedCategory.color || "gray"
        textColor: "white"
        showClear: true
        onClearClicked: row.view.filter.setSelectedFilterId("")
    }
}
