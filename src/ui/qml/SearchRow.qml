import QtQuick
import QtQuick.Controls.Basic

// The search button, or the open search field, and the chip of the filtering category.
Item {
    id: row

    property Theme theme
    readonly property bool hasFilter: historyView.filter.selectedCategory.id !== undefined

    implicitHeight: 38

    // Closed: the accent tile.
    AbstractButton {
        id: searchTile
        visible: !historyView.filter.isSearchExpanded
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        width: 34
        height: 34
        hoverEnabled: true
        focusPolicy: Qt.NoFocus
        onClicked: historyView.openSearch()

        background: Rectangle {
            radius: 9
            color: row.theme.accent
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
        active: historyView.filter.isSearchExpanded
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
        color: row.theme.fieldBackground
        border.width: 1
        border.color: input.activeFocus ? Qt.rgba(row.theme.accent.r, row.theme.accent.g, row.theme.accent.b, 0.7)
                                        : row.theme.fieldBorder

        Symbol {
            id: glass
            anchors.left: parent.left
            anchors.leftMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            name: "magnifyingglass"
            color: row.theme.secondaryText
            size: 14
        }

        TextField {
            id: input
            anchors.left: glass.right
            anchors.leftMargin: 4
            anchors.right: clearButton.visible ? clearButton.left : closeButton.left
            anchors.verticalCenter: parent.verticalCenter
            background: null
            color: row.theme.primaryText
            placeholderText: historyView.filter.searchPlaceholder
            placeholderTextColor: row.theme.tertiaryText
            selectionColor: row.theme.accent
            selectedTextColor: "white"
            font.pixelSize: 14
            text: historyView.filter.searchText
            onTextEdited: historyView.filter.searchText = text
            onActiveFocusChanged: historyView.focus.isSearchFocused = activeFocus
        }

        IconButton {
            id: clearButton
            visible: historyView.filter.searchText.length > 0
            anchors.right: closeButton.left
            anchors.verticalCenter: parent.verticalCenter
            symbol: "xmark.circle.fill"
            tint: row.theme.tertiaryText
            glyphSize: 14
            onClicked: historyView.filter.searchText = ""
        }
        IconButton {
            id: closeButton
            anchors.right: parent.right
            anchors.rightMargin: 5
            anchors.verticalCenter: parent.verticalCenter
            symbol: "xmark"
            tint: row.theme.secondaryText
            glyphSize: 12
            onClicked: historyView.closeSearch()
        }

        // Focus follows the controller's flag once the field is laid out.
        function syncFocus() {
            if (historyView.focus.isSearchFocused && !input.activeFocus)
                input.forceActiveFocus()
        }
        // At once: the next typed key may already be on its way.
        Component.onCompleted: field.syncFocus()
        Connections {
            target: historyView.focus
            function onFocusChanged() { Qt.callLater(field.syncFocus) }
        }
    }
    }

    CategoryChip {
        id: chip
        visible: row.hasFilter
        anchors.verticalCenter: parent.verticalCenter
        x: historyView.filter.isSearchExpanded ? row.width - width : searchTile.width + 10
        iconName: historyView.filter.selectedCategory.icon || ""
        name: historyView.filter.selectedCategory.name || ""
        fillColor: historyView.filter.selectedCategory.color || "gray"
        textColor: "white"
        showClear: true
        onClearClicked: historyView.filter.setSelectedFilterId("")
    }
}
