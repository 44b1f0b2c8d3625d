import QtQuick
import Quillbox

// The global shortcut's recorder, how to bind the keys where the desktop owns them, and the key that
// opens the category search.
Item {
    id: tab

    required property SettingsView settings

    Column {
        x: 20
        y: 20
        width: tab.width - 40
        spacing: 16

        SettingsGroup {
            width: parent.width
            title: qsTr("Global Shortcut")
            ShortcutRecorder {
                width: parent.width
                recorder: tab.settings.recorder
            }
            Text {
                text: qsTr("Press the key combination to open Quillbox from anywhere.")
                font.pixelSize: 11
                color: Theme.secondaryText
            }
        }

        SettingsGroup {
            id: desktopGroup
            readonly property DesktopShortcutsView shortcuts: tab.settings.desktopShortcuts
            objectName: "desktopShortcuts"
            visible: shortcuts !== null
            width: parent.width
            title: qsTr("Desktop Shortcuts")
            TextEdit {
                width: parent.width
                readOnly: true
                selectByMouse: true
                wrapMode: TextEdit.Wrap
                text: desktopGroup.shortcuts ? desktopGroup.shortcuts.instructions : ""
                font.pixelSize: 11
                color: Theme.primaryText
            }
            PanelButton {
                objectName: "addToDesktop"
                visible: desktopGroup.shortcuts !== null && desktopGroup.shortcuts.canAddToDesktop
                text: qsTr("Add to GNOME…")
                enabled: desktopGroup.shortcuts !== null && !desktopGroup.shortcuts.isAdding
                onClicked: addDialog.open()
            }
            Text {
                visible: text.length > 0
                text: desktopGroup.shortcuts ? desktopGroup.shortcuts.status : ""
                font.pixelSize: 11
                color: Theme.secondaryText
            }
        }

        SettingsGroup {
            width: parent.width
            title: qsTr("In-App Shortcuts")
            LabelledPicker {
                label: qsTr("Category search")
                choices: [{ label: qsTr("Tab"), value: "tab" }, { label: qsTr("/ (Slash)"), value: "slash" }]
                current: tab.settings.categorySearchKey
                onPicked: value => tab.settings.categorySearchKey = value
            }
            Text {
                text: qsTr("Opens the category filter search when Quillbox is open.")
                font.pixelSize: 11
                color: Theme.secondaryText
            }
        }
    }

    ConfirmDialog {
        id: addDialog
        objectName: "addDialog"
        title: qsTr("Add the shortcuts to GNOME?")
        message: qsTr("Quillbox runs gsettings to add them to Settings > Keyboard > Custom Shortcuts.")
        confirmLabel: qsTr("Add")
        onAccepted: desktopGroup.shortcuts.addToDesktop()
    }
}
