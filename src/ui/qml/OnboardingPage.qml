pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// The first-run welcome pages: the current page, the page dots and Skip / Back / Next.
Item {
    id: root

    width: 560
    height: 520
    focus: true

    required property OnboardingView onboarding

    // The host may delete the controller before this view while closing the window.
    readonly property var pages: root.onboarding ? root.onboarding.pages : []
    readonly property int page: root.onboarding ? root.onboarding.page : 0
    readonly property int pageCount: root.onboarding ? root.onboarding.pageCount : 0
    readonly property bool isLastPage: root.onboarding ? root.onboarding.isLastPage : false

    Keys.onReturnPressed: root.onboarding.goNext()
    Keys.onEnterPressed: root.onboarding.goNext()
    Keys.onLeftPressed: function (event) {
        if (event.modifiers === Qt.NoModifier)
            root.onboarding.goBack()
    }

    Rectangle {
        anchors.fill: parent
        color: Theme.dark ? Qt.rgba(0.12, 0.12, 0.14, 1) : Qt.rgba(0.97, 0.97, 0.98, 1)

        WindowDragArea {}
    }

    // Pages cross-fade as `page` changes.
    Item {
        id: pageArea
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: divider.top

        Repeater {
            model: root.pages
            delegate: WelcomePage {
                current: root.page
                status: root.onboarding ? root.onboarding.actionStatus : ""
                onActionClicked: root.onboarding.runAction()
            }
        }
    }

    Rectangle {
        id: divider
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: navigation.top
        height: 1
        color: Theme.separator
    }

    Item {
        id: navigation
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 56

        PanelButton {
            id: skipButton
            anchors.left: parent.left
            anchors.leftMargin: 18
            anchors.verticalCenter: parent.verticalCenter
            text: qsTr("Skip")
            background: Item {}
            contentItem: Text {
                text: skipButton.text
                color: Theme.secondaryText
                font.pixelSize: 13
                verticalAlignment: Text.AlignVCenter
            }
            onClicked: root.onboarding.skip()
        }

        Row {
            anchors.centerIn: parent
            spacing: 6
            Repeater {
                model: root.pageCount
                delegate: Rectangle {
                    id: dot
                    required property int index
                    width: 7
                    height: 7
                    radius: 3.5
                    color: dot.index === root.page ? Theme.blue
                         : Qt.rgba(Theme.secondaryText.r, Theme.secondaryText.g, Theme.secondaryText.b, 0.3)
                    Behavior on color { ColorAnimation { duration: 150; easing.type: Easing.OutQuad } }
                }
            }
        }

        Row {
            anchors.right: parent.right
            anchors.rightMargin: 18
            anchors.verticalCenter: parent.verticalCenter
            spacing: 8

            PanelButton {
                visible: root.page >= 1
                text: qsTr("Back")
                onClicked: root.onboarding.goBack()
            }
            PanelButton {
                prominent: true
                fill: Theme.blue
                text: root.isLastPage ? qsTr("Get Started") : qsTr("Next")
                onClicked: root.onboarding.goNext()
            }
        }
    }
}
