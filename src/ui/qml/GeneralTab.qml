pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// Behaviour toggles, the wrong-layout fix with the layouts found, and the border colour.
ScrollingPage {
    id: tab

    required property SettingsView settings

    contentHeight: column.implicitHeight + 32

    Column {
        id: column
        x: 20
        y: 16
        width: tab.width - 40
        spacing: 12

        SettingsGroup {
            width: parent.width
            title: qsTr("Behavior")
            SettingsToggle {
                objectName: "launchAtLogin"
                label: qsTr("Launch at login")
                checked: tab.settings.launchAtLogin
                onToggled: on => tab.settings.launchAtLogin = on
            }
            SettingsToggle {
                label: qsTr("Show source app name")
                checked: tab.settings.showSourceApp
                onToggled: on => tab.settings.showSourceApp = on
            }
            SettingsToggle {
                label: qsTr("Play sound on copy")
                checked: tab.settings.playSoundOnCopy
                onToggled: on => tab.settings.playSoundOnCopy = on
            }
            SettingsToggle {
                label: qsTr("Play click sound on navigation")
                checked: tab.settings.playSoundOnNavigate
                onToggled: on => tab.settings.playSoundOnNavigate = on
            }
        }

        SettingsGroup {
            width: parent.width
            title: qsTr("Language Fix")
            SettingsToggle {
                objectName: "languageFix"
                label: tab.settings.languageFixTitle
                checked: tab.settings.enableLanguageFix
                onToggled: on => tab.settings.enableLanguageFix = on
            }
            Column {
                visible: tab.settings.enableLanguageFix
                width: parent.width
                spacing: 5
                Text {
                    text: qsTr("Installed keyboard layouts:")
                    font.pixelSize: 12
                    color: Theme.secondaryText
                }
                Repeater {
                    model: tab.settings.installedLayouts
                    delegate: Row {
                        id: layoutLine
                        required property string modelData
                        spacing: 6
                        Symbol { name: "checkmark.circle.fill"; color: "#34c759"; size: 13 }
                        Text { text: layoutLine.modelData; font.pixelSize: 12; color: Theme.primaryText }
                    }
                }
                Text {
                    width: parent.width
                    wrapMode: Text.Wrap
                    text: tab.settings.layoutHint
                    font.pixelSize: 11
                    color: tab.settings.layoutHintIsWarning ? Theme.warningText : Theme.secondaryText
                }
            }
        }

        SettingsGroup {
            width: parent.width
            title: qsTr("Appearance")
            Text {
                text: qsTr("Selected item border color")
                font.pixelSize: 13
                color: Theme.primaryText
            }
            BorderColorRow { settings: tab.settings }
        }
    }
}
