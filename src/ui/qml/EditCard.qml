import QtQuick
import QtQuick.Controls.Basic

// The card that edits an item's text, or types a new item: header, key hint, editor and buttons.
Rectangle {
    id: card

    property Theme theme
    property bool isNewItem: false

    readonly property string currentText: isNewItem ? historyView.newItemEditor.text : historyView.editor.text
    readonly property bool hasFocusFlag: isNewItem ? historyView.focus.isCreateFocused : historyView.focus.isEditFocused

    implicitHeight: column.implicitHeight + 28
    radius: 14
    color: theme.cardSelected
    border.width: 2
    border.color: isNewItem ? Qt.rgba(0.2, 0.78, 0.35, 0.8) : Qt.rgba(0.04, 0.52, 1, 0.8)

    Column {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 14
        spacing: 10

        Item {
            width: parent.width
            height: 20

            Row {
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                spacing: 6
                Symbol {
                    anchors.verticalCenter: parent.verticalCenter
                    name: card.isNewItem ? "plus.circle.fill" : "pencil.circle.fill"
                    color: card.border.color
                    size: 16
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: card.isNewItem ? "New Item" : "Editing"
                    color: card.theme.primaryText
                    font.pixelSize: 13
                    font.bold: true
                }
            }
            Text {
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: "↩ Save  |  ⇧↩ New line  |  Esc Cancel"
                color: card.theme.secondaryText
                font.pixelSize: 10
                font.weight: Font.Medium
            }
        }

        Rectangle {
            width: parent.width
            height: Math.max(80, Math.min(120, editorLoader.implicitHeight + 4))
            radius: 8
            color: card.theme.fieldBackground
            border.width: 1
            border.color: editorLoader.item && editorLoader.item.activeFocus ? card.border.color : card.theme.fieldBorder

            ScrollView {
                id: scroller
                anchors.fill: parent
                anchors.margins: 2
                clip: true

                // The editor exists only while the panel is on screen: a text editor asks the
                // clipboard whether it can paste on every change, and a card left open while the
                // panel is hidden would do that for every copy made anywhere.
                Loader {
                    id: editorLoader
                    width: scroller.availableWidth
                    active: card.Window.window !== null && card.Window.window.visible
                    onLoaded: Qt.callLater(card.syncFocus)

                    sourceComponent: TextArea {
                        background: null
                        wrapMode: TextEdit.Wrap
                        color: card.theme.primaryText
                        selectionColor: card.theme.accent
                        selectedTextColor: "white"
                        font.family: card.theme.monoFamily
                        font.pixelSize: 13
                        text: card.currentText
                        onTextChanged: {
                            if (text === card.currentText)
                                return
                            if (card.isNewItem)
                                historyView.newItemEditor.text = text
                            else
                                historyView.editor.text = text
                        }
                        onActiveFocusChanged: {
                            if (card.isNewItem)
                                historyView.focus.isCreateFocused = activeFocus
                            else
                                historyView.focus.isEditFocused = activeFocus
                        }
                    }
                }
            }
        }

        Row {
            anchors.right: parent.right
            spacing: 8

            PanelButton {
                theme: card.theme
                text: "Cancel"
                onClicked: card.isNewItem ? historyView.newItemEditor.cancel() : historyView.editor.cancel()
            }
            PanelButton {
                theme: card.theme
                text: "Save"
                prominent: true
                fill: card.border.color
                enabled: card.isNewItem ? historyView.newItemEditor.canSave : historyView.editor.canSave
                onClicked: card.isNewItem ? historyView.newItemEditor.save() : historyView.editor.save()
            }
        }
    }

    function syncFocus() {
        const editor = editorLoader.item
        if (editor && card.hasFocusFlag && card.visible && !editor.activeFocus)
            editor.forceActiveFocus()
    }
    onHasFocusFlagChanged: Qt.callLater(syncFocus)
    Component.onCompleted: Qt.callLater(syncFocus)
}
