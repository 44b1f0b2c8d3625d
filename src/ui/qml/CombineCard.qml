pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The multi-selection combined through a paste template: header, live preview, template chips, buttons.
Item {
    id: panel

    required property CombinePanel combine

    readonly property color orange: Theme.orange

    implicitHeight: box.implicitHeight
    Accessible.role: Accessible.Pane
    Accessible.name: qsTr("Combine %n items", "", panel.combine ? panel.combine.itemCount : 0)

    // Orange shadow, 30 %, radius 12, 4 down.
    Repeater {
        model: 6
        Rectangle {
            required property int index
            anchors.fill: box
            anchors.margins: -(index + 1) * 2
            anchors.topMargin: -(index + 1) * 2 + 4
            anchors.bottomMargin: -(index + 1) * 2 - 4
            radius: 14 + (index + 1) * 2
            color: "transparent"
            border.width: 2
            border.color: Qt.rgba(1, 0.584, 0, 0.3 * (1 - index / 6) * 0.45)
        }
    }

    Rectangle {
        id: box
        width: parent.width
        implicitHeight: column.implicitHeight + 28
        radius: 14
        color: Theme.dark ? Qt.rgba(0.12, 0.12, 0.14, 1) : Qt.rgba(0.95, 0.95, 0.97, 1)
        border.width: 2.5
        border.color: panel.orange

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
                        name: "doc.on.doc.fill"
                        color: panel.orange
                        size: 14
                    }
                    Text {
                        anchors.verticalCenter: parent.verticalCenter
                        text: qsTr("Combine %n items", "", panel.combine ? panel.combine.itemCount : 0)
                        color: panel.orange
                        font.pixelSize: 13
                        font.bold: true
                    }
                }
                Text {
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    text: qsTr("← → templates  |  ↩ Paste  |  Esc Cancel")
                    color: Theme.secondaryText
                    font.pixelSize: 9
                    font.weight: Font.Medium
                }
            }

            Rectangle {
                width: parent.width
                height: Math.min(120, preview.implicitHeight + 16)
                radius: 8
                color: Theme.dark ? Qt.rgba(0.08, 0.08, 0.10, 1) : Qt.rgba(0.96, 0.96, 0.97, 1)

                ScrollView {
                    anchors.fill: parent
                    anchors.margins: 8
                    clip: true
                    ScrollBar.vertical.policy: preview.implicitHeight + 16 > 120 ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded

                    TextArea {
                        id: preview
                        Accessible.name: qsTr("Preview")
                        padding: 0
                        background: null
                        readOnly: true
                        selectByMouse: true
                        wrapMode: TextEdit.Wrap
                        activeFocusOnPress: false
                        color: Theme.primaryText
                        selectionColor: panel.orange
                        selectedTextColor: "white"
                        font.family: Theme.monoFamily
                        font.pixelSize: 11
                        text: panel.combine ? panel.combine.preview : ""
                    }
                }
            }

            Flickable {
                width: parent.width
                height: 28
                contentWidth: chips.implicitWidth
                contentHeight: height
                clip: true
                interactive: contentWidth > width
                boundsBehavior: Flickable.StopAtBounds

                Row {
                    id: chips
                    spacing: 6
                    anchors.verticalCenter: parent.verticalCenter

                    Repeater {
                        model: panel.combine ? panel.combine.templateNames : []
                        delegate: AbstractButton {
                            id: chip
                            required property int index
                            required property string modelData
                            readonly property bool isCurrent: panel.combine && index === panel.combine.effectiveIndex
                            leftPadding: 10
                            rightPadding: 10
                            topPadding: 5
                            bottomPadding: 5
                            hoverEnabled: true
                            focusPolicy: Qt.NoFocus
                            Accessible.role: Accessible.RadioButton
                            Accessible.name: chip.modelData
                            Accessible.checkable: true
                            Accessible.checked: chip.isCurrent
                            onClicked: panel.combine.clickChip(index)

                            background: Rectangle {
                                radius: height / 2
                                color: chip.isCurrent ? panel.orange
                                     : Theme.dark ? Qt.rgba(0.15, 0.15, 0.17, 1) : Qt.rgba(0.88, 0.88, 0.9, 1)
                                border.width: chip.isCurrent ? 2 : 1
                                border.color: chip.isCurrent ? panel.orange : Qt.rgba(0.56, 0.56, 0.58, 0.3)
                            }
                            contentItem: Text {
                                text: chip.modelData
                                horizontalAlignment: Text.AlignHCenter
                                verticalAlignment: Text.AlignVCenter
                                color: chip.isCurrent ? "white" : Theme.primaryText
                                font.pixelSize: 11
                                font.weight: Font.DemiBold
                            }
                        }
                    }
                }
            }

            Row {
                anchors.right: parent.right
                spacing: 8

                PanelButton {

                    focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
                    text: qsTr("Cancel")
                    onClicked: panel.combine.cancel()
                }
                PanelButton {
                    focusPolicy: Qt.NoFocus // the panel's keys belong to the search and the list
                    text: qsTr("Paste ↩")
                    prominent: true
                    fill: panel.orange
                    onClicked: panel.combine.paste()
                }
            }
        }
    }
}
