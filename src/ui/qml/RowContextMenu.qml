pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The context menu of a history row; `itemId`, `isPinned` and `categoryId` are set before it opens.
PanelMenu {
    id: menu

    required property ClipboardHistoryView view
    property string itemId
    property bool isPinned: false
    property string categoryId

    delegate: PanelMenuItem {}

    PanelMenuItem {
        text: qsTr("Paste")
        onTriggered: menu.view.pasteItem(menu.itemId)
    }
    PanelMenuItem {
        text: qsTr("Edit (Ctrl+E)")
        onTriggered: menu.view.startEditing(menu.itemId)
    }
    PanelMenuItem {
        text: menu.isPinned ? qsTr("Unpin") : qsTr("Pin")
        onTriggered: menu.view.commands.togglePin(menu.itemId)
    }
    MenuSeparator {}
    PanelMenu {
        id: assignMenu
        title: qsTr("Assign Category")

        PanelMenuItem {
            text: qsTr("None")
            onTriggered: menu.view.commands.assignCategory(menu.itemId, "")
        }
        Instantiator {
            model: menu.view.filter.categories
            delegate: PanelMenuItem {
                id: entry
                required property var model
                text: entry.model.name
                checkmark: entry.model.id === menu.categoryId
                onTriggered: menu.view.commands.assignCategory(menu.itemId, entry.model.id)
            }
            onObjectAdded: (index, object) => assignMenu.insertItem(index + 1, object)
            onObjectRemoved: (index, object) => assignMenu.removeItem(object)
        }
    }
    MenuSeparator {}
    PanelMenuItem {
        text: qsTr("Delete")
        destructive: true
        onTriggered: menu.view.commands.deleteItem(menu.itemId)
    }
}
