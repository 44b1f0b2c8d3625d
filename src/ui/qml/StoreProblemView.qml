import QtQuick

// The panel when the store cannot be opened: which file, why, and what it means for new copies.
Item {
    id: root

    width: 680
    height: 640

    Theme {
        id: currentTheme
        dark: storeProblem.isDark
    }

    Rectangle {
        anchors.fill: parent
        radius: 18
        color: currentTheme.panelBackground
        border.width: 1
        border.color: currentTheme.panelBorder
    }

    Column {
        anchors.centerIn: parent
        width: parent.width - 120
        spacing: 12

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 72
            height: 72
            radius: 36
            color: Qt.rgba(1, 0.23, 0.19, 0.12)
            Symbol {
                anchors.centerIn: parent
                name: "exclamationmark.triangle.fill"
                color: currentTheme.red
                size: 34
            }
        }

        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: storeProblem.title
            textFormat: Text.PlainText
            color: currentTheme.primaryText
            font.pixelSize: 18
            font.bold: true
        }

        // Selectable, so the path can be taken to a terminal or file manager.
        TextEdit {
            objectName: "storeFile"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: storeProblem.file
            textFormat: TextEdit.PlainText
            readOnly: true
            selectByMouse: true
            wrapMode: TextEdit.WrapAnywhere
            color: currentTheme.primaryText
            selectionColor: currentTheme.accent
            font.family: currentTheme.monoFamily
            font.pixelSize: 13
        }

        Text {
            objectName: "storeReason"
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: storeProblem.reason
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: currentTheme.primaryText
            font.pixelSize: 14
        }

        Text {
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: storeProblem.consequence
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: currentTheme.secondaryText
            font.pixelSize: 13
        }
    }
}
