import QtQuick
import QtQuick.Controls.Basic

// The category search: a filter field and the matching categories, one highlighted.
Rectangle {
    id: bar

    property Theme theme

    implicitHeight: column.implicitHeight + 16
    radius: 10
    color: theme.fieldBackground
    border.width: 1
    border.color: theme.fieldBorder

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
                color: bar.theme.accent
                size: 16
            }
            TextField {
                id: input
                anchors.left: funnel.right
                anchors.leftMargin: 4
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                background: null
                color: bar.theme.primaryText
                placeholderText: "Filter..."
                placeholderTextColor: bar.theme.tertiaryText
                selectionColor: bar.theme.accent
                selectedTextColor: "white"
                font.pixelSize: 13
                text: historyView.categorySearch.text
                onTextEdited: historyView.categorySearch.text = text
                onActiveFocusChanged: historyView.focus.isCategorySearchFocused = activeFocus
                Component.onCompleted: Qt.callLater(bar.syncFocus)
            }
        }

        Flow {
            width: parent.width
            spacing: 6

            Repeater {
                model: historyView.categorySearch.matchingCategories
                delegate: CategoryChip {
                    readonly property bool isCurrent: index === historyView.categorySearch.index
                    iconName: model.icon
                    name: model.name
                    fillColor: isCurrent ? model.color : model.dimmedColor
                    textColor: isCurrent ? "white" : model.color
                    onClicked: historyView.pickCategory(index)
                }
            }
        }
    }

    function syncFocus() {
        if (historyView.focus.isCategorySearchFocused && bar.visible && !input.activeFocus)
            input.forceActiveFocus()
    }
    Connections {
        target: historyView.focus
        function onFocusChanged() { Qt.callLater(bar.syncFocus) }
    }
}
