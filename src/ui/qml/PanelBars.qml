import QtQuick
import Quillbox

// The bars above the list: the count and menu, the search, and the category chips or search.
Column {
    id: bars

    required property ClipboardHistoryView view

    spacing: 8

    TopBar {
        width: parent.width
        view: bars.view
    }
    SearchRow {
        width: parent.width
        view: bars.view
    }
    CategoryBar {
        width: parent.width
        view: bars.view
        visible: bars.view.filter.selectedFilterId.length > 0 && !bars.view.categorySearch.isSearching
                 && !bars.view.filter.isSearchExpanded
    }
    Loader {
        width: parent.width
        active: bars.view.categorySearch.isSearching
        visible: active
        // The linter of Qt 6.4 does not follow ids into components; binding them breaks Loader there.
        // qmllint disable unqualified
        sourceComponent: CategorySearchBar {
            view: bars.view
        }
        // qmllint enable unqualified
    }
}
