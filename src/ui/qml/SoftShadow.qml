pragma ComponentBehavior: Bound
import QtQuick

// A soft shadow or glow behind a rounded rectangle of the same geometry, drawn as stacked translucent
// rounded rectangles (Qt Quick 6.4 ships no blur effect).
Item {
    id: shadow

    property color color: "black"
    property real blur: 10
    property real yOffset: 0
    property real cornerRadius: 14
    property int layers: 8
    // Roughly the summed opacity next to the edge, relative to `color`'s alpha.
    property real strength: 1.2

    Repeater {
        model: shadow.layers
        Rectangle {
            required property int index
            readonly property real spread: shadow.blur * Math.pow((index + 1) / shadow.layers, 1.25)
            x: -spread
            y: -spread + shadow.yOffset
            width: shadow.width + 2 * spread
            height: shadow.height + 2 * spread
            radius: shadow.cornerRadius + spread
            color: Qt.rgba(shadow.color.r, shadow.color.g, shadow.color.b, shadow.color.a * shadow.strength / shadow.layers)
        }
    }
}
