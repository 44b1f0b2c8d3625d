import QtQuick
import Quillbox

// The icon, the name, the version being run and what Quillbox is.
Item {
    id: tab

    required property SettingsView settings

    Column {
        anchors.centerIn: parent
        spacing: 10

        Item {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 96
            height: 96
            Image {
                id: icon
                anchors.fill: parent
                visible: tab.settings.appIcon.length > 0
                source: tab.settings.appIcon
                sourceSize.width: 192
                sourceSize.height: 192
                fillMode: Image.PreserveAspectFit
            }
            Symbol {
                anchors.centerIn: parent
                visible: !icon.visible || icon.status === Image.Error
                name: "clipboard.fill"
                size: 48
                color: Theme.accent
            }
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: "Quillbox"
            font.pixelSize: 22
            font.bold: true
            color: Theme.primaryText
        }
        Text {
            objectName: "version"
            anchors.horizontalCenter: parent.horizontalCenter
            text: tab.settings.version
            font.pixelSize: 11
            color: Theme.secondaryText
        }
        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: tab.settings.description
            font.pixelSize: 13
            color: Theme.primaryText
        }
        Text {
            objectName: "clipboardProtocol"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: text.length > 0
            text: tab.settings.clipboardProtocol
            font.pixelSize: 11
            color: Theme.secondaryText
        }
        Text {
            objectName: "sessionLimits"
            anchors.horizontalCenter: parent.horizontalCenter
            width: Math.min(implicitWidth, tab.width - 40)
            visible: text.length > 0
            text: tab.settings.sessionLimits
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: 11
            color: Theme.secondaryText
        }
        PanelButton {
            objectName: "enableGnomeExtension"
            anchors.horizontalCenter: parent.horizontalCenter
            visible: tab.settings.gnomeExtension !== null && tab.settings.gnomeExtension.canEnable
            enabled: visible && !tab.settings.gnomeExtension.isEnabling
            text: qsTr("Enable the GNOME Shell Extension…")
            onClicked: enableDialog.open()
        }
        Text {
            objectName: "gnomeExtensionStatus"
            anchors.horizontalCenter: parent.horizontalCenter
            width: Math.min(implicitWidth, tab.width - 40)
            visible: text.length > 0
            text: tab.settings.gnomeExtension !== null ? tab.settings.gnomeExtension.status : ""
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
            font.pixelSize: 11
            color: Theme.primaryText
        }
    }

    ConfirmDialog {
        id: enableDialog
        objectName: "enableDialog"
        title: qsTr("Enable Quillbox's GNOME Shell extension?")
        message: tab.settings.gnomeExtension !== null
                 ? qsTr("Quillbox runs \"%1\".").arg(tab.settings.gnomeExtension.command) : ""
        confirmLabel: qsTr("Enable")
        onAccepted: tab.settings.gnomeExtension.enable()
    }
}
