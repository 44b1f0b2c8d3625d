import QtQuick
import QtQuick.Controls.Basic

// The context menu of a history row; `itemId`, `isPinned` and `categoryId` are set before it opens.
PanelMenu {
    id: menu

    property string itemId
    property bool isPinned: false
    property string categoryId

    delegate: PanelMenuItem { theme: menu.theme }

    PanelMenuItem {
        theme: menu.theme
        text: "Paste"
        onTriggered: historyView.pasteItem(menu.itemId)
    }
    PanelMenuItem {
        theme: menu.theme
        text: "Edit (Ctrl+E)"
        onTriggered: historyView.startEditing(menu.itemId)
    }
    PanelMenuItem {
        theme: menu.theme
        text: menu.isPinned ? "Unpin" : "Pin"
        onTriggered: historyView.commands.togglePin(menu.itemId)
    }
    MenuSeparator {}
    PanelMenu {
        id: assignMenu
        theme: menu.theme
        title: "Assign Category"

        PanelMenuItem {
            theme: menu.theme
            text: "None"
            onTriggered: historyView.commands.assignCategory(menu.itemId, "")
        }
        Instantiator {
            model: historyView.filter.categories
            delegate: PanelMenuItem {
                theme: menu.theme
                text: model.name
                checkmark: model.id === menu.categoryId
                onTriggered: historyView.commands.assignCategory(menu.itemId, model.id)
            }
            onObjectAdded: (index, object) => assignMenu.insertItem(index + 1, object)
            onObjectRemoved: (index, object) => assignMenu.removeItem(object)
        }
    }
    MenuSeparator {}
    PanelMenuItem {
        theme: menu.theme
        text: "Delete"
        destructive: true
        onTriggered: historyView.commands.deleteItem(menu.itemId)
    }
}
