import QtQuick
import Quillbox

// Above the rows: the multi-selection bar, the combine card and the new-item card.
Item {
    id: header

    required property ClipboardHistoryView view
    // The rows' side margin, and the gap to the first row when anything is shown.
    required property real rowMargin
    required property real gap

    height: headerColumn.height + (headerColumn.height > 0 ? header.gap : 0)

    Column {
        id: headerColumn
        x: header.rowMargin
        width: parent.width - 2 * header.rowMargin
        spacing: 14

        MultiSelectionBar {
            width: parent.width
            selection: header.view.selection
            visible: header.view.selection.selectedIdsCount >= 2
        }
        // The linter of Qt 6.4 does not follow ids into components; binding them breaks Loader there.
        // qmllint disable unqualified
        Loader {
            id: combineLoader
            objectName: "combinePanel"
            width: parent.width
            active: header.view.showCombinePanel && header.view.combinePanel !== null
            visible: active
            sourceComponent: CombineCard {
                combine: header.view.combinePanel
            }
        }
        Loader {
            id: createLoader
            objectName: "createCard"
            width: parent.width
            active: header.view.newItemEditor.isOpen
            visible: active
            sourceComponent: EditCard {
                view: header.view
                isNewItem: true
            }
        }
        // qmllint enable unqualified
    }
}
