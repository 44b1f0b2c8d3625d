import QtQuick
import QtQuick.Controls.Basic

// The history panel: top bar, search row, category bars and the list of items. Keys are handled
// by the controller before they reach this view; the view draws its state and forwards clicks.
Item {
    id: root

    width: 680
    height: 640

    readonly property real rowMargin: 32
    readonly property bool showsEmptyState: historyView.filter.filteredItems.count === 0 && !historyView.isCreatingNew

    Theme {
        id: currentTheme
        dark: historyView.isDark
    }

    Rectangle {
        id: background
        anchors.fill: parent
        radius: 18
        color: currentTheme.panelBackground
        border.width: 1
        border.color: currentTheme.panelBorder
    }

    Column {
        id: bars
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.leftMargin: 18
        anchors.rightMargin: 18
        anchors.topMargin: 10
        spacing: 8

        TopBar {
            width: parent.width
            theme: currentTheme
        }
        SearchRow {
            width: parent.width
            theme: currentTheme
        }
        CategoryBar {
            width: parent.width
            theme: currentTheme
            visible: historyView.filter.selectedFilterId.length > 0 && !historyView.categorySearch.isSearching
                     && !historyView.filter.isSearchExpanded
        }
        Loader {
            width: parent.width
            active: historyView.categorySearch.isSearching
            visible: active
            sourceComponent: CategorySearchBar {
                theme: currentTheme
            }
        }
    }

    Rectangle {
        id: divider
        anchors.top: bars.bottom
        anchors.topMargin: 10
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: 18
        anchors.rightMargin: 18
        height: 1
        color: currentTheme.separator
    }

    ListView {
        id: list
        anchors.top: divider.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 8
        topMargin: 26
        bottomMargin: 24
        spacing: 14
        clip: true
        // The list follows the selection; the controller turns wheel movement into selection moves.
        interactive: false
        visible: !root.showsEmptyState
        reuseItems: false
        cacheBuffer: 400
        model: historyView.filter.filteredItems

        header: Item {
            width: list.width
            height: headerColumn.height + (headerColumn.height > 0 ? list.spacing : 0)

            Column {
                id: headerColumn
                x: root.rowMargin
                width: parent.width - 2 * root.rowMargin
                spacing: 14

                MultiSelectionBar {
                    width: parent.width
                    theme: currentTheme
                    visible: historyView.selection.selectedIdsCount >= 2
                }
                Loader {
                    id: combineLoader
                    objectName: "combinePanel"
                    width: parent.width
                    active: historyView.showCombinePanel && historyView.combinePanel !== null
                    visible: active
                    sourceComponent: CombinePanel {
                        theme: currentTheme
                    }
                }
                Loader {
                    id: createLoader
                    objectName: "createCard"
                    width: parent.width
                    active: historyView.isCreatingNew
                    visible: active
                    sourceComponent: EditCard {
                        theme: currentTheme
                        isNewItem: true
                    }
                }
            }
        }

        delegate: Item {
            id: slot

            required property int index
            required property var model
            readonly property bool isEditing: historyView.editingItemId.length > 0
                                              && model.id === historyView.editingItemId

            width: list.width
            height: isEditing ? (editLoader.item ? editLoader.item.implicitHeight : 200) : 130
            z: index === historyView.selection.selectedIndex ? 2 : 1

            scale: {
                historyView.selection.selectedIndex; // re-evaluated as the selection moves
                return historyView.selection.scaleForIndex(index)
            }
            Behavior on scale {
                NumberAnimation { duration: 300; easing.type: Easing.OutCubic }
            }

            ClipboardItemRow {
                visible: !slot.isEditing
                x: root.rowMargin
                width: parent.width - 2 * root.rowMargin
                height: 130
                theme: currentTheme
                item: slot.model
                index: slot.index
                isSelected: slot.index === historyView.selection.selectedIndex
                onContextMenuRequested: root.openContextMenu(slot.model)
            }
            Loader {
                id: editLoader
                x: root.rowMargin
                width: parent.width - 2 * root.rowMargin
                active: slot.isEditing
                visible: active
                sourceComponent: EditCard {
                    theme: currentTheme
                    isNewItem: false
                }
            }
        }

        function clampedContentY(y) {
            const minY = originY - topMargin
            const maxY = Math.max(minY, originY + contentHeight + bottomMargin - height)
            return Math.max(minY, Math.min(maxY, y))
        }

        // A row's point a fifth of the way down meets the point a fifth of the way down the list.
        function scrollToRow(row) {
            if (row < 0 || row >= count)
                return
            // Positioning first makes sure the row's delegate exists and has its place.
            positionViewAtIndex(row, ListView.Beginning)
            const rowItem = itemAtIndex(row)
            if (!rowItem)
                return
            contentY = clampedContentY(rowItem.y + 0.2 * (rowItem.height - height))
        }
    }

    Connections {
        target: historyView
        function onScrollToRowRequested(row) {
            list.scrollToRow(row)
        }
        // The combine panel and the new-item card live in the list's header, above every row.
        function onScrollToCreateCardRequested() {
            headerReveal.restart()
        }
        function onScrollToCombinePanelRequested() {
            headerReveal.restart()
        }
    }
    Connections {
        target: historyView.focus
        function onFocusChanged() {
            if (historyView.focus.isViewFocused && !root.activeFocus)
                root.forceActiveFocus()
        }
    }

    // Waits for the header to take its new height before scrolling to it.
    Timer {
        id: headerReveal
        interval: 30
        onTriggered: {
            list.positionViewAtBeginning()
            list.contentY = list.originY - list.topMargin
        }
    }

    EmptyState {
        anchors.top: divider.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        visible: root.showsEmptyState
        theme: currentTheme
    }

    // What just failed, for a few seconds at the foot of the panel.
    Rectangle {
        id: noticeToast
        objectName: "notice"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 24
        width: Math.min(parent.width - 72, noticeRow.implicitWidth + 32)
        height: 38
        radius: 19
        color: currentTheme.cardSelected
        border.width: 1
        border.color: Qt.rgba(1, 0.23, 0.19, 0.55)
        opacity: historyView.notice.text.length > 0 ? 1 : 0
        visible: opacity > 0
        Behavior on opacity {
            NumberAnimation { duration: 200; easing.type: Easing.OutCubic }
        }

        SoftShadow {
            anchors.fill: parent
            z: -1
            color: Qt.rgba(0, 0, 0, 0.22)
            blur: 12
            yOffset: 4
            cornerRadius: noticeToast.radius
            layers: 6
            strength: 0.8
        }

        Row {
            id: noticeRow
            anchors.centerIn: parent
            spacing: 8
            Symbol {
                anchors.verticalCenter: parent.verticalCenter
                name: "exclamationmark.triangle.fill"
                color: currentTheme.red
                size: 15
            }
            Text {
                id: noticeText
                anchors.verticalCenter: parent.verticalCenter
                width: Math.min(implicitWidth, root.width - 72 - 32 - 23)
                elide: Text.ElideRight
                color: currentTheme.primaryText
                font.pixelSize: 12
                font.weight: Font.Medium
            }
        }
        // The text stays while the toast fades out.
        Connections {
            target: historyView.notice
            function onTextChanged() {
                if (historyView.notice.text.length > 0)
                    noticeText.text = historyView.notice.text
            }
        }
    }

    RowContextMenu {
        id: contextMenu
        theme: currentTheme
    }

    function openContextMenu(row) {
        contextMenu.itemId = row.id
        contextMenu.isPinned = row.isPinned
        contextMenu.categoryId = row.categoryId !== undefined ? row.categoryId : ""
        contextMenu.popup()
    }
}
