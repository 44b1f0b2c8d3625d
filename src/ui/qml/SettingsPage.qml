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

    readonly property var tabs: [
        { label: "General", symbol: "gear" },
        { label: "Categories", symbol: "tag.fill" },
        { label: "Shortcuts", symbol: "keyboard" },
        { label: "Storage", symbol: "internaldrive" },
        { label: "Privacy", symbol: "hand.raised" },
        { label: "About", symbol: "info.circle" }
    ]
    property int currentTab: 0
    onCurrentTabChanged: if (root.currentTab === 0) root.settings.refreshGeneralTab()

    Row {
        id: tabBar
        objectName: "settingsTabs"
        Accessible.role: Accessible.PageTabList
        Accessible.name: "Settings"
        anchors.top: parent.top
        anchors.topMargin: 10
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 4

        Repeater {
            model: root.tabs
            delegate: SettingsTabButton {
                required property var modelData
                required property int index
                objectName: "tab" + modelData.label
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
