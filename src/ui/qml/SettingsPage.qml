pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import Quillbox

// The settings window: six tabs over their pages. Showing the General tab reads the keyboard
// layouts and the start at login afresh.
Rectangle {
    id: root

    required property SettingsView settings

    width: 620
    height: 580
    color: Theme.windowBackground

    // The key names each tab's button whatever the language.
    readonly property var tabs: [
        { key: "General", label: qsTr("General"), symbol: "gear" },
        { key: "Categories", label: qsTr("Categories"), symbol: "tag.fill" },
        { key: "Shortcuts", label: qsTr("Shortcuts"), symbol: "keyboard" },
        { key: "Storage", label: qsTr("Storage"), symbol: "internaldrive" },
        { key: "Privacy", label: qsTr("Privacy"), symbol: "hand.raised" },
        { key: "About", label: qsTr("About"), symbol: "info.circle" }
    ]
    property int currentTab: 0
    onCurrentTabChanged: if (root.currentTab === 0) root.settings.refreshGeneralTab()

    Row {
        id: tabBar
        objectName: "settingsTabs"
        Accessible.role: Accessible.PageTabList
        Accessible.name: qsTr("Settings")
        anchors.top: parent.top
        anchors.topMargin: 10
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 4

        Repeater {
            model: root.tabs
            delegate: SettingsTabButton {
                required property var modelData
                required property int index
                objectName: "tab" + modelData.key
                label: modelData.label
                symbol: modelData.symbol
                checked: root.currentTab === index
                onClicked: root.currentTab = index
            }
        }
    }

    Rectangle {
        id: divider
        anchors.top: tabBar.bottom
        anchors.topMargin: 10
        width: parent.width
        height: 1
        color: Theme.separator
    }

    StackLayout {
        anchors.top: divider.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        currentIndex: root.currentTab

        GeneralTab { settings: root.settings }
        // Without a store there are no categories to manage.
        Loader {
            Component.onCompleted: {
                if (root.settings.categoryManager)
                    setSource("CategoryManager.qml", { manager: root.settings.categoryManager })
            }
        }
        ShortcutsTab { settings: root.settings }
        StorageTab { settings: root.settings }
        Loader {
            Component.onCompleted: {
                if (root.settings.privacy)
                    setSource("PrivacyTab.qml", { privacy: root.settings.privacy })
            }
        }
        AboutTab { settings: root.settings }
    }
}
