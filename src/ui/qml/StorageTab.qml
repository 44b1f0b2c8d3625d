import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The history's size and clearing it; both ask first when items would be deleted.
Item {
    id: tab

    required property SettingsView settings

    property int pendingCount: 0

    Column {
        x: 20
        y: 20
        width: tab.width - 40
        spacing: 16

        SettingsGroup {
            width: parent.width
            LabelledPicker {
                label: qsTr("Max history items")
                objectName: "maxHistoryPicker"
                choices: tab.settings.historySizeChoices
                segmentWidth: 72
                current: tab.settings.maxHistoryCount
                onPicked: value => {
                    const deletions = tab.settings.deletionsForMaxHistoryCount(value)
                    if (deletions === 0) {
                        tab.settings.setMaxHistoryCount(value)
                        return
                    }
                    tab.pendingCount = value
                    limitDialog.message = deletions === 1
                        ? qsTr("%n unpinned item, the oldest, will be deleted now. Pinned items are kept. This cannot be undone.", "", deletions)
                        : qsTr("%n unpinned items, the oldest, will be deleted now. Pinned items are kept. This cannot be undone.", "", deletions)
                    limitDialog.open()
                }
            }
        }

        SettingsGroup {
            width: parent.width
            PanelButton {
                objectName: "clearAllHistory"
                prominent: true
                fill: Theme.red
                text: qsTr("Clear All History")
                onClicked: {
                    const count = tab.settings.historyItemCount()
                    clearDialog.message = count === 1
                        ? qsTr("All %n item, pinned ones included, will be deleted. This cannot be undone.", "", count)
                        : qsTr("All %n items, pinned ones included, will be deleted. This cannot be undone.", "", count)
                    clearDialog.open()
                }
            }
        }
    }

    ConfirmDialog {
        id: limitDialog
        objectName: "limitDialog"
        title: qsTr("Keep %n items?", "", tab.pendingCount)
        onAccepted: tab.settings.setMaxHistoryCount(tab.pendingCount)
    }
    ConfirmDialog {
        id: clearDialog
        objectName: "clearDialog"
        title: qsTr("Clear all history?")
        confirmLabel: qsTr("Clear All History")
        onAccepted: tab.settings.clearAllHistory()
    }
}
