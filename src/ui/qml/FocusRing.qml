import QtQuick
import Quillbox

// The outline of the control the keyboard is on, around its parent; the accent's text shade stands
// out at least 3:1 from every background it can be drawn on.
Rectangle {
    anchors.fill: parent
    anchors.margins: -3
    radius: 8
    color: "transparent"
    border.width: 2
    border.color: Theme.accentText
}
