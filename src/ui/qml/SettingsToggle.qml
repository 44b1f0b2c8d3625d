import QtQuick
import QtQuick.Controls.Basic
import Quillbox

// A label with a switch at the right; `toggled` carries the new value.
Item {
    id: toggle

    property string label
    property bool checked
    signal toggled(bool on)

    implicitHeight: Math.max(24, label.implicitHeight)
    width: parent ? parent.width : 300

    // A long label (a narrow window, a longer language) wraps rather than running under the switch.
    Text {
        id: label
        anchors.left: parent.left
        anchors.right: control.left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        wrapMode: Text.WordWrap
        text: toggle.label
        font.pixelSize: 13
        color: Theme.primaryText
    }
    Switch {
        id: control
        objectName: "switch"
        Accessible.name: toggle.label
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        checked: toggle.checked
        focusPolicy: Qt.TabFocus
        onToggled: toggle.toggled(checked)
        // Space toggles a switch by itself; Return and Enter do the same here.
        Keys.onReturnPressed: { control.toggle(); control.toggled() }
        Keys.onEnterPressed: { control.toggle(); control.toggled() }
        FocusRing {
            visible: control.activeFocus
            radius: 14
        }
        // Drawn here: the style's own track takes the light palette, and vanishes on a dark window.
        indicator: Rectangle {
            implicitWidth: 38
            implicitHeight: 22
            x: control.width - width - control.rightPadding
            y: (control.height - height) / 2
            radius: 11
            color: control.checked ? "#34c759" : (Theme.dark ? Qt.rgba(1, 1, 1, 0.18) : Qt.rgba(0, 0, 0, 0.14))
            Behavior on color { ColorAnimation { duration: 120 } }
            Rectangle {
                x: control.checked ? parent.width - width - 2 : 2
                y: 2
                width: 18
                height: 18
                radius: 9
                color: "white"
                Behavior on x { NumberAnimation { duration: 120 } }
            }
        }
    }
}
