pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Quillbox

// What is never recorded, the pause, what is kept and for how long, and where it all lives.
Item {
    id: tab

    required property PrivacyView privacy

    ScrollingPage {
        id: flick
        anchors.fill: parent
        contentHeight: content.height + 40

        Column {
            id: content
            x: 20
            y: 20
            width: tab.width - 40
            spacing: 16

            SettingsGroup {
                width: parent.width
                title: qsTr("Never record copies from")

                ListView {
                    id: appList
                    objectName: "neverRecordList"
                    width: parent.width
                    height: Math.min(Math.max(count, 1), 4) * 30
                    clip: true
                    model: tab.privacy.applications
                    currentIndex: -1
                    activeFocusOnTab: true
                    Keys.onDeletePressed: tab.removeCurrent()
                    Keys.onBackPressed: tab.removeCurrent()
                    ScrollBar.vertical: ScrollBar { policy: appList.count > 4 ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded }
                    delegate: Rectangle {
                        id: appRow
                        required property var modelData
                        required property int index
                        width: appList.width
                        height: 30
                        radius: 5
                        color: appList.currentIndex === index
                            ? (Theme.dark ? Qt.rgba(1, 1, 1, 0.10) : Qt.rgba(0, 0, 0, 0.06)) : "transparent"
                        Image {
                            id: appIcon
                            x: 6
                            anchors.verticalCenter: parent.verticalCenter
                            width: 20
                            height: 20
                            sourceSize.width: 40
                            sourceSize.height: 40
                            source: tab.iconOf(appRow.modelData)
                        }
                        Text {
                            anchors.left: appIcon.right
                            anchors.leftMargin: 8
                            anchors.right: removeButton.left
                            anchors.verticalCenter: parent.verticalCenter
                            text: appRow.modelData.name
                            elide: Text.ElideRight
                            font.pixelSize: 13
                            color: Theme.primaryText
                        }
                        MouseArea {
                            anchors.fill: parent
                            onClicked: {
                                appList.currentIndex = appRow.index
                                appList.forceActiveFocus()
                            }
                        }
                        IconButton {
                            id: removeButton
                            objectName: "removeApplication"
                            anchors.right: parent.right
                            anchors.rightMargin: 4
                            anchors.verticalCenter: parent.verticalCenter
                            symbol: "xmark.circle.fill"
                            tip: qsTr("Remove %1").arg(appRow.modelData.name)
                            onClicked: tab.privacy.remove(appRow.modelData.id)
                        }
                    }
                    Text {
                        visible: appList.count === 0
                        anchors.verticalCenter: parent.verticalCenter
                        x: 6
                        text: qsTr("Every application's copies are recorded.")
                        font.pixelSize: 12
                        color: Theme.secondaryText
                    }
                }
                Item {
                    width: parent.width
                    height: 28
                    Row {
                        spacing: 8
                        PanelButton {
                            objectName: "addInstalled"
                            text: qsTr("Add Application…")
                            onClicked: tab.openPicker(qsTr("Installed applications"), tab.privacy.installedApplications())
                        }
                        PanelButton {
                            objectName: "addRunning"
                            text: qsTr("Add Running Window…")
                            onClicked: tab.openPicker(qsTr("Running windows"), tab.privacy.runningApplications())
                        }
                    }
                    PanelButton {
                        objectName: "removeSelected"
                        anchors.right: parent.right
                        text: qsTr("Remove")
                        enabled: appList.currentIndex >= 0
                        onClicked: tab.removeCurrent()
                    }
                }
                Text {
                    visible: text.length > 0
                    width: parent.width
                    wrapMode: Text.Wrap
                    text: tab.privacy.matchingNote
                    font.pixelSize: 11
                    color: Theme.secondaryText
                }
            }

            SettingsGroup {
                width: parent.width
                title: qsTr("Pause")
                Item {
                    width: parent.width
                    height: 28
                    Text {
                        objectName: "pauseState"
                        anchors.verticalCenter: parent.verticalCenter
                        text: tab.privacy.pauseState
                        font.pixelSize: 13
                        color: Theme.primaryText
                    }
                    Row {
                        anchors.right: parent.right
                        spacing: 6
                        visible: !tab.privacy.paused
                        PanelButton { text: qsTr("10 Minutes"); onClicked: tab.privacy.pause(600) }
                        PanelButton { text: qsTr("1 Hour"); onClicked: tab.privacy.pause(3600) }
                        PanelButton {
                            objectName: "pauseUntilResumed"
                            text: qsTr("Until I Resume")
                            onClicked: tab.privacy.pause(0)
                        }
                    }
                    PanelButton {
                        objectName: "resumeHistory"
                        anchors.right: parent.right
                        visible: tab.privacy.paused
                        prominent: true
                        text: qsTr("Resume History")
                        onClicked: tab.privacy.resume()
                    }
                }
            }

            SettingsGroup {
                width: parent.width
                title: qsTr("What to keep")
                SettingsToggle {
                    objectName: "dontRecordImages"
                    label: qsTr("Don't record images")
                    checked: !tab.privacy.recordImages
                    onToggled: on => tab.privacy.recordImages = !on
                }
                SettingsToggle {
                    objectName: "dontRecordFiles"
                    label: qsTr("Don't record files")
                    checked: !tab.privacy.recordFiles
                    onToggled: on => tab.privacy.recordFiles = !on
                }
                LabelledPicker {
                    label: qsTr("Largest item")
                    objectName: "largestItemPicker"
                    choices: tab.privacy.sizeChoices
                    segmentWidth: 64
                    current: tab.privacy.largestItemMegabytes
                    onPicked: value => tab.privacy.largestItemMegabytes = value
                }
                LabelledPicker {
                    label: qsTr("Keep unpinned items for")
                    objectName: "retentionPicker"
                    choices: tab.privacy.retentionChoices
                    segmentWidth: 60
                    current: tab.privacy.keepUnpinnedDays
                    onPicked: value => tab.privacy.keepUnpinnedDays = value
                }
                SettingsToggle {
                    objectName: "clearOnQuit"
                    label: qsTr("Clear history when Quillbox quits (pinned items stay)")
                    checked: tab.privacy.clearHistoryOnQuit
                    onToggled: on => tab.privacy.clearHistoryOnQuit = on
                }
            }

            Text {
                objectName: "storageNote"
                width: parent.width
                wrapMode: Text.Wrap
                text: tab.privacy.storageNote
                font.pixelSize: 11
                color: Theme.secondaryText
            }
        }
    }

    // An application without an icon of its own gets the generic one, drawn in the text's colour.
    function iconOf(application: var): string {
        return application.icon !== "" ? application.icon
            : "image://icon/symbol/app?color=" + encodeURIComponent(String(Theme.secondaryText))
    }

    function removeCurrent() {
        const entries = tab.privacy.applications
        if (appList.currentIndex < 0 || appList.currentIndex >= entries.length)
            return
        const index = appList.currentIndex
        tab.privacy.remove(entries[index].id)
        appList.currentIndex = Math.min(index, appList.count - 1)
    }

    function openPicker(title, choices) {
        picker.title = title
        picker.choices = choices
        picker.open()
    }

    // A list to pick one application from; a click or Return adds it.
    Popup {
        id: picker
        objectName: "applicationPicker"

        property string title
        property var choices: []

        parent: T.Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(380, parent ? parent.width - 40 : 380)
        height: Math.min(420, parent ? parent.height - 40 : 420)
        modal: true
        focus: true
        padding: 16
        background: Rectangle {
            radius: 12
            color: Theme.dark ? Qt.rgba(0.16, 0.16, 0.19, 1) : "white"
            border.width: 1
            border.color: Theme.fieldBorder
        }
        onOpened: choiceList.forceActiveFocus()

        function pick(index) {
            if (index < 0 || index >= picker.choices.length)
                return
            tab.privacy.add(picker.choices[index].id)
            picker.close()
        }

        Column {
            width: picker.availableWidth
            spacing: 10
            Text {
                text: picker.title
                font.pixelSize: 14
                font.bold: true
                color: Theme.primaryText
            }
            ListView {
                id: choiceList
                objectName: "pickerList"
                width: parent.width
                height: picker.availableHeight - 80
                clip: true
                model: picker.choices
                keyNavigationEnabled: true
                Keys.onReturnPressed: picker.pick(currentIndex)
                Keys.onEnterPressed: picker.pick(currentIndex)
                ScrollBar.vertical: ScrollBar {}
                delegate: Rectangle {
                    id: choiceRow
                    required property var modelData
                    required property int index
                    width: choiceList.width
                    height: 30
                    radius: 5
                    color: choiceList.currentIndex === index
                        ? (Theme.dark ? Qt.rgba(1, 1, 1, 0.10) : Qt.rgba(0, 0, 0, 0.06)) : "transparent"
                    Image {
                        id: choiceIcon
                        x: 6
                        anchors.verticalCenter: parent.verticalCenter
                        width: 20
                        height: 20
                        sourceSize.width: 40
                        sourceSize.height: 40
                        source: tab.iconOf(choiceRow.modelData)
                    }
                    Text {
                        anchors.left: choiceIcon.right
                        anchors.leftMargin: 8
                        anchors.right: parent.right
                        anchors.verticalCenter: parent.verticalCenter
                        text: choiceRow.modelData.name
                        elide: Text.ElideRight
                        font.pixelSize: 13
                        color: Theme.primaryText
                    }
                    MouseArea {
                        anchors.fill: parent
                        onClicked: picker.pick(choiceRow.index)
                    }
                }
                Text {
                    visible: choiceList.count === 0
                    text: qsTr("Nothing to add here.")
                    font.pixelSize: 12
                    color: Theme.secondaryText
                }
            }
            PanelButton {
                text: qsTr("Cancel")
                onClicked: picker.close()
            }
        }
    }
}
