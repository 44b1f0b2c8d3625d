import QtQuick
import Quillbox

// The history panel: bars, the list and its cards. Keys reach the controller first; this draws.
Item {
    id: root

    required property ClipboardHistoryView historyView

    width: 680
    height: 640

    Accessible.role: Accessible.Pane
    Accessible.name: qsTr("Quillbox clipboard history")

    readonly property real rowMargin: 32
    readonly property bool showsEmptyState: root.historyView.filter.filteredItems.count === 0 && !root.historyView.newItemEditor.isOpen

    Binding { target: Theme; property: "dark"; value: root.historyView.isDark }

    Rectangle {
        id: background
        objectName: "panelBackground"
        anchors.fill: parent
        radius: 18
        color: Theme.panelBackground
        border.width: 1
        border.color: Theme.panelBorder

        WindowDragArea {}
    }

    PausedBar {
        id: pausedBar
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.leftMargin: 18
        anchors.rightMargin: 18
        anchors.topMargin: visible ? 10 : 0
        view: root.historyView
    }

    PanelBars {
        id: bars
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: pausedBar.bottom
        anchors.leftMargin: 18
        anchors.rightMargin: 18
        anchors.topMargin: 10
        view: root.historyView
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
        color: Theme.separator
    }

    DiskFullBanner {
        id: diskFullBanner
        anchors.top: divider.bottom
        anchors.topMargin: visible ? 12 : 0
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.leftMargin: root.rowMargin
        anchors.rightMargin: root.rowMargin
        notice: root.historyView.diskFullNotice
    }

    ListView {
        id: list
        anchors.top: diskFullBanner.bottom
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
        model: root.historyView.filter.filteredItems
        Accessible.role: Accessible.List
        Accessible.name: qsTr("Clipboard history")
        // Where Qt has no announcements, the number of results is read with the list.
        Accessible.description: root.historyView.filter.resultsText(list.count)

        // The linter of Qt 6.4 does not follow ids into components; binding them breaks Loader there.
        // qmllint disable unqualified
        header: HistoryListHeader {
            width: list.width
            view: root.historyView
            rowMargin: root.rowMargin
            gap: list.spacing
        }

        delegate: Item {
            id: slot

            required property int index
            required property var model
            readonly property bool isEditing: root.historyView.editor.itemId.length > 0
                                              && slot.model.id === root.historyView.editor.itemId

            Accessible.role: Accessible.ListItem
            Accessible.name: slot.model.accessibleName
            // Qt 6.4 gives list items no set size, and only the rows made so far are the list's children.
            Accessible.description: qsTr("%1 \u00B7 %2 of %3").arg(slot.model.accessibleDescription).arg(slot.index + 1).arg(list.count)
            Accessible.focusable: true
            Accessible.selected: slot.index === root.historyView.selection.selectedIndex

            width: list.width
            height: isEditing ? (editLoader.item ? (editLoader.item as Item).implicitHeight : 200) : 130
            z: slot.index === root.historyView.selection.selectedIndex ? 2 : 1

            scale: {
                root.historyView.selection.selectedIndex; // re-evaluated as the selection moves
                return root.historyView.selection.scaleForIndex(slot.index)
            }
            Behavior on scale {
                NumberAnimation { duration: 300; easing.type: Easing.OutCubic }
            }

            ClipboardItemRow {
                view: root.historyView
                visible: !slot.isEditing
                x: root.rowMargin
                width: parent.width - 2 * root.rowMargin
                height: 130
                item: slot.model
                index: slot.index
                isSelected: slot.index === root.historyView.selection.selectedIndex
                onContextMenuRequested: root.openContextMenu(slot.model)
            }
            Loader {
                id: editLoader
                x: root.rowMargin
                width: parent.width - 2 * root.rowMargin
                active: slot.isEditing
                visible: active
                sourceComponent: EditCard {
                    view: root.historyView
                    isNewItem: false
                }
            }
        }
        // qmllint enable unqualified

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
        target: root.historyView
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
    // The key focus stays in the search field while the selection moves: the row it moved to is
    // reported as focused, once the list has made and placed it.
    Connections {
        target: root.historyView.selection
        function onSelectedIndexChanged() { Qt.callLater(root.reportSelectedRow) } // qmllint disable
    }
    Connections {
        target: root.historyView.filter
        function onResultsSettled(text: string) { AccessibleEvents.announce(list, text) }
    }
    function reportSelectedRow() {
        const row = list.itemAtIndex(root.historyView.selection.selectedIndex)
        if (row && root.visible)
            AccessibleEvents.reportFocus(row)
    }

    Connections {
        target: root.historyView.focus
        function onFocusChanged() {
            if (root.historyView.focus.isViewFocused && !root.activeFocus)
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
        filter: root.historyView.filter
        anchors.top: diskFullBanner.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        visible: root.showsEmptyState
    }

    NoticeToast {
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 24
        notice: root.historyView.notice
    }

    RowContextMenu {
        id: contextMenu
        view: root.historyView
    }

    function openContextMenu(row) {
        contextMenu.itemId = row.id
        contextMenu.isPinned = row.isPinned
        contextMenu.categoryId = row.categoryId !== undefined ? row.categoryId : ""
        contextMenu.popup()
    }
}
