import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The card that edits an item's text, or types a new item: header, key hint, editor and buttons.
Rectangle {
    id: card

    required property ClipboardHistoryView view
    property bool isNewItem: false

    readonly property string currentText: isNewItem ? card.view.newItemEditor.text : card.view.editor.text
    readonly property bool hasFocusFlag: isNewItem ? card.view.focus.isCreateFocused : card.view.focus.isEditFocused

    implicitHeight: column.implicitHeight + 28
    Accessible.role: Accessible.Pane
    Accessible.name: card.isNewItem ? qsTr("New Item") : qsTr("Editing")
    radius: 14
    color: Theme.cardSelected
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
                    text: card.isNewItem ? qsTr("New Item") : qsTr("Editing")
                    color: Theme.primaryText
                    font.pixelSize: 13
                    font.bold: true
                }
            }
            Text {
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: qsTr("↩ Save  |  ⇧↩ New line  |  Esc Cancel")
                color: Theme.secondaryText
                font.pixelSize: 10
                font.weight: Font.Medium
            }
        }

        Rectangle {
            width: parent.width
            height: Math.max(80, Math.min(120, editorLoader.implicitHeight + 4))
            radius: 8
            color: Theme.fieldBackground
            border.width: 1
            border.color: editorLoader.item && (editorLoader.item as Item).activeFocus ? card.border.color : Theme.fieldBorder

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
                    onLoaded: Qt.callLater(card.syncFocus) // qmllint disable

                    // The linter of Qt 6.4 does not follow ids into components; binding them breaks Loader there.
                    // qmllint disable unqualified
                    sourceComponent: TextArea {
                        Accessible.name: qsTr("Item text")
                        background: null
                        wrapMode: TextEdit.Wrap
                        color: Theme.primaryText
                        selectionColor: Theme.accent
                        selectedTextColor: "white"
                        font.family: Theme.monoFamily
                        font.pixelSize: 13
                        text: card.currentText
                        onTextChanged: {
                            if (text === card.currentText)
                                return
                            if (card.isNewItem)
                                card.view.newItemEditor.text = text
                            else
                                card.view.editor.text = text
                        }
                        onActiveFocusChanged: {
                            if (card.isNewItem)
                                card.view.focus.isCreateFocused = activeFocus
                            else
                                card.view.focus.isEditFocused = activeFocus
                        }
                    }
                }
            }
        }
                    // qmllint enable unqualified

        Row {
            anchors.right: parent.right
            spacing: 8

            PanelButton {

                focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
                text: qsTr("Cancel")
                onClicked: card.isNewItem ? card.view.newItemEditor.cancel() : card.view.editor.cancel()
            }
            PanelButton {
                focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
                text: qsTr("Save")
                prominent: true
                fill: card.border.color
                enabled: card.isNewItem ? card.view.newItemEditor.canSave : card.view.editor.canSave
                onClicked: card.isNewItem ? card.view.newItemEditor.save() : card.view.editor.save()
            }
        }
    }

    function syncFocus() {
        const editor = editorLoader.item as Item
        if (editor && card.hasFocusFlag && card.visible && !editor.activeFocus)
            editor.forceActiveFocus()
    }
    onHasFocusFlagChanged: Qt.callLater(syncFocus) // qmllint disable
    Component.onCompleted: Qt.callLater(syncFocus) // qmllint disable
}
