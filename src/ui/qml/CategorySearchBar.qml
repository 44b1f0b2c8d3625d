pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The category search: a filter field and the matching categories, one highlighted.
Rectangle {
    id: bar

    required property ClipboardHistoryView view

    implicitHeight: column.implicitHeight + 16
    radius: 10
    color: Theme.fieldBackground
    border.width: 1
    border.color: Theme.fieldBorder

    Column {
        id: column
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 8
        spacing: 8

        Item {
            width: parent.width
            height: 26

            Symbol {
                id: funnel
                anchors.left: parent.left
                anchors.leftMargin: 2
                anchors.verticalCenter: parent.verticalCenter
                name: "line.3.horizontal.decrease.circle.fill"
                color: Theme.accent
                size: 16
            }
            TextField {
                id: input
                anchors.left: funnel.right
                anchors.leftMargin: 4
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                background: null
                color: Theme.primaryText
                placeholderText: qsTr("Filter...")
                placeholderTextColor: Theme.tertiaryText
                selectionColor: Theme.accent
                selectedTextColor: "white"
                font.pixelSize: 13
                text: bar.view.categorySearch.text
                onTextEdited: bar.view.categorySearch.text = text
                onActiveFocusChanged: bar.view.focus.isCategorySearchFocused = activeFocus
                Component.onCompleted: Qt.callLater(bar.syncFocus) // qmllint disable
            }
        }

        Flow {
            width: parent.width
            spacing: 6

            Repeater {
                model: bar.view.categorySearch.matchingCategories
                delegate: CategoryChip {
                    id: chip
                    required property var model
                    required property int index
                    readonly property bool isCurrent: chip.index === bar.view.categorySearch.index
                    iconName: chip.model.icon
                    name: chip.model.name
                    fillColor: chip.isCurrent ? chip.model.color : chip.model.dimmedColor
                    textColor: chip.isCurrent ? "white" : chip.model.color
                    onClicked: bar.view.pickCategory(chip.index)
                }
            }
        }
    }

    function syncFocus() {
        if (bar.view.focus.isCategorySearchFocused && bar.visible && !input.activeFocus)
            input.forceActiveFocus()
    }
    Connections {
        target: bar.view.focus
        function onFocusChanged() { Qt.callLater(bar.syncFocus) } // qmllint disable
    }
}
