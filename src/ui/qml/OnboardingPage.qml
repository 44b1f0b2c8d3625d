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
            delegate: Item {
                id: page

                required property int index
                required property var modelData
                readonly property color tint: modelData.iconColor

                anchors.fill: parent
                opacity: index === root.page ? 1 : 0
                visible: opacity > 0
                Behavior on opacity { NumberAnimation { duration: 250; easing.type: Easing.InOutQuad } }

                Column {
                    anchors.centerIn: parent
                    width: 420
                    spacing: 12

                    Rectangle {
                        anchors.horizontalCenter: parent.horizontalCenter
                        width: 108
                        height: 108
                        radius: 54
                        color: Qt.rgba(page.tint.r, page.tint.g, page.tint.b, 0.15)
                        Symbol {
                            anchors.centerIn: parent
                            name: page.modelData.icon
                            color: page.tint
                            size: 46
                        }
                    }
                    Item { width: 1; height: 2 }
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.WordWrap
                        text: page.modelData.title
                        color: Theme.primaryText
                        font.pixelSize: 22
                        font.bold: true
                    }
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.WordWrap
                        text: page.modelData.subtitle
                        color: page.tint
                        font.pixelSize: 13
                        font.weight: Font.Medium
                    }
                    Text {
                        width: parent.width
                        horizontalAlignment: Text.AlignHCenter
                        wrapMode: Text.WordWrap
                        text: page.modelData.body
                        color: Theme.secondaryText
                        font.pixelSize: 13
                        lineHeight: 1.15
                    }
                    Rectangle {
                        visible: page.modelData.bullets && page.modelData.bullets.length > 0
                        width: parent.width
                        height: bulletColumn.implicitHeight + 24
                        radius: 10
                        color: Qt.rgba(Theme.secondaryText.r, Theme.secondaryText.g, Theme.secondaryText.b, 0.08)

                        Column {
                            id: bulletColumn
                            anchors.left: parent.left
                            anchors.right: parent.right
                            anchors.verticalCenter: parent.verticalCenter
                            anchors.leftMargin: 14
                            anchors.rightMargin: 14
                            spacing: 8

                            Repeater {
                                model: page.modelData.bullets || []
                                delegate: Row {
                                    id: bullet
                                    required property var modelData
                                    spacing: 6
                                    Item {
                                        width: 22
                                        height: 18
                                        Symbol {
                                            anchors.centerIn: parent
                                            name: bullet.modelData.icon
                                            color: page.tint
                                            size: 13
                                        }
                                    }
                                    Text {
                                        anchors.verticalCenter: parent.verticalCenter
                                        width: bulletColumn.width - 28
                                        wrapMode: Text.WordWrap
                                        text: bullet.modelData.text
                                        color: Theme.primaryText
                                        font.pixelSize: 13
                                    }
                                }
                            }
                        }
                    }
                    Button {
                        id: actionButton
                        visible: (page.modelData.actionLabel || "").length > 0
                        anchors.horizontalCenter: parent.horizontalCenter
                        focusPolicy: Qt.NoFocus
                        text: page.modelData.actionLabel || ""
                        font.pixelSize: 13
                        font.weight: Font.DemiBold
                        onClicked: root.onboarding.runAction()
                        contentItem: Text {
                            text: actionButton.text
                            font: actionButton.font
                            color: Theme.primaryText
                            horizontalAlignment: Text.AlignHCenter
                            verticalAlignment: Text.AlignVCenter
                        }
                        background: Rectangle {
                            implicitHeight: 30
                            radius: 7
                            color: actionButton.hovered ? Qt.rgba(0.5, 0.5, 0.5, 0.18) : "transparent"
                            border.width: 1
                            border.color: Qt.rgba(0.5, 0.5, 0.5, 0.45)
                        }
                    }
                }
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
            text: "Skip"
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
                text: "Back"
                onClicked: root.onboarding.goBack()
            }
            PanelButton {
                prominent: true
                fill: Theme.blue
                text: root.isLastPage ? "Get Started" : "Next"
                onClicked: root.onboarding.goNext()
            }
        }
    }
}
