pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The count of listed items and the panel menu.
Item {
    id: bar

    required property ClipboardHistoryView view

    implicitHeight: 36

    Text {
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        visible: !bar.view.filter.isSearchExpanded
        text: bar.view.filter.filteredItems.count + " items"
        color: Theme.secondaryText
        font.pixelSize: 12
        font.weight: Font.Medium
    }

    IconButton {
        id: menuButton
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 28
        implicitHeight: 28
        symbol: "ellipsis.circle"
        tip: "Menu"
        tint: Theme.secondaryText
        glyphSize: 17
        onClicked: menu.opened ? menu.close() : menu.popup(menuButton, menuButton.width - menu.width, menuButton.height + 4)
    }

    PanelMenu {
        id: menu

        // The pause's durations while recording, Resume History while paused: the other one takes no room.
        delegate: PanelMenuItem {
            id: entry
            visible: !(entry.subMenu === pauseMenu && bar.view.isHistoryPaused)
            height: entry.visible ? entry.implicitHeight : 0
        }

        PanelMenu {
            id: pauseMenu
            title: "Pause History"

            PanelMenuItem {
                text: "For 10 Minutes"
                onTriggered: bar.view.pauseHistory(10 * 60)
            }
            PanelMenuItem {
                text: "For 1 Hour"
                onTriggered: bar.view.pauseHistory(60 * 60)
            }
            PanelMenuItem {
                text: "Until I Resume"
                onTriggered: bar.view.pauseHistory(0)
            }
        }
        PanelMenuItem {
            objectName: "resumeHistoryItem"
            text: "Resume History"
            visible: bar.view.isHistoryPaused
            height: visible ? implicitHeight : 0
            onTriggered: bar.view.resumeHistory()
        }
        MenuSeparator {}
        PanelMenuItem {
            text: "Clear All History"
            destructive: true
            onTriggered: {
                const count = bar.view.commands.unpinnedItemCount()
                clearDialog.message = count + (count === 1 ? " unpinned item" : " unpinned items")
                    + " will be deleted. Pinned items are kept. This cannot be undone."
                clearDialog.open()
            }
        }
        MenuSeparator {}
        PanelMenuItem {
            text: "Settings..."
            onTriggered: bar.view.openSettings()
        }
        MenuSeparator {}
        PanelMenuItem {
            text: "Quit Quillbox"
            onTriggered: Qt.quit()
        }
    }

    ConfirmDialog {
        id: clearDialog
        objectName: "clearHistoryDialog"
        title: "Clear all history?"
        confirmLabel: "Clear All History"
        onAccepted: bar.view.commands.clearAllHistory()
    }
}
