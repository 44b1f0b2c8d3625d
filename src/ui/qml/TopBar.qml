import QtQuick
import QtQuick.Controls.Basic

// The count of listed items and the panel menu.
Item {
    id: bar

    property Theme theme

    implicitHeight: 36

    Text {
        anchors.left: parent.left
        anchors.verticalCenter: parent.verticalCenter
        visible: !historyView.filter.isSearchExpanded
        text: historyView.filter.filteredItems.count + " items"
        color: bar.theme.secondaryText
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
        tint: bar.theme.secondaryText
        glyphSize: 17
        onClicked: menu.opened ? menu.close() : menu.popup(menuButton, menuButton.width - menu.width, menuButton.height + 4)
    }

    PanelMenu {
        id: menu
        theme: bar.theme

        PanelMenuItem {
            theme: bar.theme
            text: "Clear All History"
            destructive: true
            onTriggered: historyView.commands.clearAllHistory()
        }
        MenuSeparator {}
        PanelMenuItem {
            theme: bar.theme
            text: "Settings..."
            onTriggered: notificationCenter.post("Quillbox.openSettings")
        }
        MenuSeparator {}
        PanelMenuItem {
            theme: bar.theme
            text: "Quit Quillbox"
            onTriggered: Qt.quit()
        }
    }
}
