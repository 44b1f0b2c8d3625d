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
        text: qsTr("%n items", "", bar.view.filter.filteredItems.count)
        color: Theme.secondaryText
        font.pixelSize: 12
        font.weight: Font.Medium
    }

    IconButton {

        focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
        id: menuButton
        objectName: "menuButton"
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        implicitWidth: 28
        implicitHeight: 28
        symbol: "ellipsis.circle"
        tip: qsTr("Menu")
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
            title: qsTr("Pause History")

            PanelMenuItem {
                text: qsTr("For 10 Minutes")
                onTriggered: bar.view.pauseHistory(10 * 60)
            }
            PanelMenuItem {
                text: qsTr("For 1 Hour")
                onTriggered: bar.view.pauseHistory(60 * 60)
            }
            PanelMenuItem {
                text: qsTr("Until I Resume")
                onTriggered: bar.view.pauseHistory(0)
            }
        }
        PanelMenuItem {
            objectName: "resumeHistoryItem"
            text: qsTr("Resume History")
            visible: bar.view.isHistoryPaused
            height: visible ? implicitHeight : 0
            onTriggered: bar.view.resumeHistory()
        }
        MenuSeparator {}
        PanelMenuItem {
            text: qsTr("Clear All History")
            destructive: true
            onTriggered: {
                const count = bar.view.commands.unpinnedItemCount()
                clearDialog.message = count === 1
                    ? qsTr("%n unpinned item will be deleted. Pinned items are kept. This cannot be undone.", "", count)
                    : qsTr("%n unpinned items will be deleted. Pinned items are kept. This cannot be undone.", "", count)
                clearDialog.open()
            }
        }
        MenuSeparator {}
        PanelMenuItem {
            text: qsTr("Settings...")
            onTriggered: bar.view.openSettings()
        }
        MenuSeparator {}
        PanelMenuItem {
            text: qsTr("Quit Quillbox")
            onTriggered: Qt.quit()
        }
    }

    ConfirmDialog {
        id: clearDialog
        objectName: "clearHistoryDialog"
        title: qsTr("Clear all history?")
        confirmLabel: qsTr("Clear All History")
        onAccepted: bar.view.commands.clearAllHistory()
    }
}
