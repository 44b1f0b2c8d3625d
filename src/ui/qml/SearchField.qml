import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The open search field with its clear and close buttons.
Rectangle {
    id: field

    required property ClipboardHistoryView view

    radius: 9
    color: Theme.fieldBackground
    border.width: 1
    border.color: input.activeFocus ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.7)
                                    : Theme.fieldBorder

    Symbol {
        id: glass
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        name: "magnifyingglass"
        color: Theme.secondaryText
        size: 14
    }

    TextField {
        id: input
        objectName: "searchInput"
        Accessible.name: qsTr("Search clipboard history")
        anchors.left: glass.right
        anchors.leftMargin: 4
        anchors.right: clearButton.visible ? clearButton.left : closeButton.left
        anchors.verticalCenter: parent.verticalCenter
        background: null
        color: Theme.primaryText
        placeholderText: field.view.filter.searchPlaceholder
        placeholderTextColor: Theme.tertiaryText
        selectionColor: Theme.accent
        selectedTextColor: "white"
        font.pixelSize: 14
        text: field.view.filter.searchText
        onTextEdited: field.view.filter.searchText = text
        onActiveFocusChanged: field.view.focus.isSearchFocused = activeFocus
    }

    IconButton {

        focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
        id: clearButton
        visible: field.view.filter.searchText.length > 0
        anchors.right: closeButton.left
        anchors.verticalCenter: parent.verticalCenter
        symbol: "xmark.circle.fill"
        tip: qsTr("Clear search")
        tint: Theme.tertiaryText
        glyphSize: 14
        onClicked: field.view.filter.searchText = ""
    }
    IconButton {
        focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
        id: closeButton
        anchors.right: parent.right
        anchors.rightMargin: 5
        anchors.verticalCenter: parent.verticalCenter
        symbol: "xmark"
        tip: qsTr("Close search")
        tint: Theme.secondaryText
        glyphSize: 12
        onClicked: field.view.closeSearch()
    }

    // Focus follows the controller's flag once the field is laid out.
    function syncFocus() {
        if (field.view.focus.isSearchFocused && !input.activeFocus)
            input.forceActiveFocus()
    }
    // At once: the next typed key may already be on its way.
    Component.onCompleted: field.syncFocus()
    Connections {
        target: field.view.focus
        function onFocusChanged() { Qt.callLater(field.syncFocus) } // qmllint disable
    }
}
